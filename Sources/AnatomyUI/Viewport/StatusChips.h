#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

class QLabel;
class QToolButton;
class QWidget;

namespace morvena {

class AppModel;
class Chip;

// The chips at the bottom left of the viewport: the measuring readout while measuring,
// the camera's orientation, and the isolation and hidden-structure chips, which undo
// what they report when clicked.
class StatusChips : public QWidget {
    Q_OBJECT

public:
    StatusChips(AppModel& model, QWidget* parent = nullptr);

    // "123.4 mm" and "12.34 cm" for 123.4 millimetres.
    static QString millimetres(float distance);
    static QString centimetres(float distance);

    void refreshOrientation(const std::string& label);
    void refreshIsolation(bool active);
    void refreshHidden(std::int64_t count);
    void refreshMeasurement(bool measuring, std::optional<float> distanceMM);

    const QLabel& orientationText() const { return *orientation_; }
    Chip& isolationChip() const { return *isolation_; }
    Chip& hiddenChip() const { return *hidden_; }
    const QLabel& hiddenText() const { return *hiddenText_; }
    Chip& readout() const { return *readout_; }
    // The readout's texts: the distance in mm and cm, or the hint.
    QString readoutText() const;
    QToolButton& clearButton() const { return *clear_; }

private:
    Chip* makeReadout(AppModel& model);

    Chip* readout_ = nullptr; // the widgets are owned by this one
    QLabel* distance_ = nullptr;
    QLabel* distanceCM_ = nullptr;
    QToolButton* clear_ = nullptr;
    QLabel* hint_ = nullptr;
    Chip* orientationChip_ = nullptr;
    QLabel* orientation_ = nullptr;
    Chip* isolation_ = nullptr;
    Chip* hidden_ = nullptr;
    QLabel* hiddenText_ = nullptr;
};

} // namespace morvena
