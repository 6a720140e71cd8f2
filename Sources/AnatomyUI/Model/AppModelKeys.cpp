#include "AnatomyUI/Model/AppModel.h"

namespace morvena {

namespace {

constexpr char escapeKey = '\x1b';

} // namespace

bool AppModel::handleKey(std::string_view key, KeyModifiers)
{
    if (key.size() != 1)
        return false;
    switch (key.front()) {
    case 'i':
        isolateSelection();
        break;
    case 'h':
        hideSelection();
        break;
    case 'r':
        resetAll();
        break;
    case 'f':
        focusSelection();
        break;
    case 'a':
        apply(CameraPreset::anterior);
        break;
    case 'p':
        apply(CameraPreset::posterior);
        break;
    case 'l':
        apply(CameraPreset::left);
        break;
    case 'd':
        apply(CameraPreset::right);
        break;
    case 's':
        apply(CameraPreset::superior);
        break;
    case 'm':
        toggleMeasureMode();
        break;
    case 'g':
        setGhostOthers(!ghostOthers_);
        break;
    case escapeKey:
        clearSelection();
        break;
    default:
        return false;
    }
    return true;
}

// Leaving the mode removes its points; entering it draws nothing new.
void AppModel::toggleMeasureMode()
{
    setMeasureMode(!measureMode_);
    if (!measureMode_)
        clearMeasurement();
}

} // namespace morvena
