#pragma once

#include "AnatomyUI/Look/GlassPanel.h"

#include <array>
#include <string_view>

namespace morvena {

class AppModel;
class CapsuleButton;

// The layer control: one button per depth from which structures are drawn.
class DepthControl : public GlassPanel {
    Q_OBJECT

public:
    struct Level {
        std::string_view symbol;
        std::string_view title;
    };
    // The index of a level is the depth it selects.
    static const std::array<Level, 6> levels;

    DepthControl(AppModel& model, QWidget* parent = nullptr);

    void refresh(int layerDepthMin);
    CapsuleButton* button(std::size_t level) const { return buttons_[level]; }

private:
    std::array<CapsuleButton*, 6> buttons_ {}; // owned by the panel
};

} // namespace morvena
