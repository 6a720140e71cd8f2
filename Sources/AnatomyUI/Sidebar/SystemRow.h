#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QGraphicsOpacityEffect;
class QLabel;
class QSlider;
class QToolButton;
class QVariantAnimation;

namespace morvena {

class AppModel;
class ElidedLabel;

// One anatomical system of the loaded dataset: its dot shows or hides it, a double
// click shows it alone, and a small button opens a slider for its opacity.
class SystemRow : public QWidget {
    Q_OBJECT

public:
    SystemRow(AppModel& model, AnatomySystem system, QWidget* parent = nullptr);

    AnatomySystem system() const { return system_; }
    bool showsOpacity() const { return showOpacity_; }
    // Follows the model's visibility, opacity and count of the system.
    void refresh();

    // The opacity entry as the row shows it: a whole percentage for an entry below
    // 0.99, none otherwise.
    static std::optional<int> percentage(float opacity);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildLine();
    void buildSlider();
    void toggleOpacity();
    void refreshDot(bool visible);
    bool isVisible() const;

    QPointer<AppModel> model_;
    AnatomySystem system_;
    bool showOpacity_ = false;
    QWidget* line_ = nullptr;
    QToolButton* dot_ = nullptr;
    ElidedLabel* name_ = nullptr;
    QLabel* percent_ = nullptr;
    QLabel* count_ = nullptr;
    QToolButton* opacityButton_ = nullptr;
    QWidget* sliderLine_ = nullptr;
    QSlider* slider_ = nullptr;
    QGraphicsOpacityEffect* sliderFade_ = nullptr;
    QVariantAnimation* fade_ = nullptr;
};

} // namespace morvena
