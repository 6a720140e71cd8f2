#include "AnatomyUI/Viewport/OrientationControls.h"

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Viewport/CapsuleButton.h"

#include <QHBoxLayout>
#include <QPointer>

namespace morvena {

OrientationControls::OrientationControls(AppModel& model, QWidget* parent)
    : GlassPanel(GlassStyle::floating, {.cornerRadius = 20}, false, parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(5, 5, 5, 5);
    row->setSpacing(4);
    QFont caption = font();
    caption.setPixelSize(11);
    caption.setWeight(QFont::DemiBold);
    QPointer<AppModel> guarded(&model);
    for (CameraPreset preset : allCameraPresets()) {
        auto* button = new CapsuleButton(QSize(30, 26), this);
        button->setObjectName(QString::fromUtf8(rawValue(preset)));
        button->setText(QString::fromUtf8(shortLabel(preset)));
        button->setFont(caption);
        button->setToolTip("Vista " + QString::fromUtf8(italianName(preset)).toLower());
        connect(button, &QToolButton::clicked, this, [guarded, preset] {
            if (guarded)
                guarded->apply(preset);
        });
        row->addWidget(button);
        buttons_.push_back(button);
    }
    refresh(model.orientationLabel());
}

void OrientationControls::refresh(const std::string& orientationLabel)
{
    if (orientationLabel == shownLabel_ && !shownLabel_.empty())
        return;
    shownLabel_ = orientationLabel;
    const auto presets = allCameraPresets();
    for (std::size_t i = 0; i < presets.size(); ++i)
        buttons_[i]->setActive(italianName(presets[i]) == orientationLabel);
}

CapsuleButton* OrientationControls::button(CameraPreset preset) const
{
    const auto presets = allCameraPresets();
    for (std::size_t i = 0; i < presets.size(); ++i)
        if (presets[i] == preset)
            return buttons_[i];
    return nullptr;
}

} // namespace morvena
