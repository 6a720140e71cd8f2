#pragma once

#include "AnatomyRender/OrbitCamera.h"
#include "AnatomyUI/Look/GlassPanel.h"

#include <string>
#include <vector>

namespace morvena {

class AppModel;
class CapsuleButton;

// One button per anatomical view; the one the camera is nearest to shows active.
class OrientationControls : public GlassPanel {
    Q_OBJECT

public:
    OrientationControls(AppModel& model, QWidget* parent = nullptr);

    // Marks the button whose Italian name is the label; changes nothing when the label
    // is the one shown already.
    void refresh(const std::string& orientationLabel);
    CapsuleButton* button(CameraPreset preset) const;

private:
    std::vector<CapsuleButton*> buttons_; // owned by the panel, in the presets' order
    std::string shownLabel_;
};

} // namespace morvena
