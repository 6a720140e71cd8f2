#pragma once

#include "AnatomyUI/Model/SystemPreset.h"

#include <QAbstractButton>

namespace morvena {

// One preset of the sidebar's row: its symbol above its name on a rounded glass
// tile, filled with the accent colour while the preset is the active one.
class PresetTile : public QAbstractButton {
    Q_OBJECT

public:
    explicit PresetTile(SystemPreset preset, QWidget* parent = nullptr);

    SystemPreset preset() const { return preset_; }
    void setActive(bool active);
    bool isActive() const { return active_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SystemPreset preset_;
    bool active_ = false;
};

} // namespace morvena
