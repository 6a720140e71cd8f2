#pragma once

#include <QScrollArea>

#include <functional>
#include <string_view>
#include <vector>

class QAction;
class QMenu;

namespace morvena {

class AppModel;
class CapsuleButton;

// The tool strip at the bottom right of the viewport: view commands, selection tools,
// measuring, hover names, image export, the background switch and the options menu.
// Wider than its room it scrolls sideways, also with the vertical wheel.
class ViewportTools : public QScrollArea {
    Q_OBJECT

public:
    enum class Tool { reset, frameAll, focus, isolate, ghost, measure, labels, exportImage, background };

    // The layer control's flag belongs to the container: read and set through these.
    ViewportTools(AppModel& model, std::function<bool()> depthControlShown,
        std::function<void(bool)> setDepthControlShown, QWidget* parent = nullptr);

    // Icons, active looks and help texts from the model's flags.
    void refresh();
    CapsuleButton& button(Tool tool) const;
    CapsuleButton& optionsButton() const { return *options_; }
    QMenu& optionsMenu() const { return *menu_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void addTool(Tool tool, std::function<void()> action);
    void addSeparator();
    void makeOptions();
    void refreshMenu();
    void switchMeasuring();
    void switchHoverNames();
    void switchBackground();

    AppModel& model_;
    std::function<bool()> depthControlShown_;
    std::function<void(bool)> setDepthControlShown_;
    QWidget* row_ = nullptr; // the widgets are owned by the strip
    std::vector<CapsuleButton*> tools_;
    CapsuleButton* options_ = nullptr;
    QMenu* menu_ = nullptr;
};

} // namespace morvena
