// Reads arbitrary bytes as a program's settings file (viewer.json and
// mrvtool.json share the reader). Every value read must be usable as its type,
// and a setting written over a damaged file must come back on the next read
// with the other stored settings kept.
#include "AnatomyCore/Storage/Preferences.h"
#include "FuzzSupport.h"

#include <cmath>

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto file = sandbox() / "settings.json";
    writeFile(file, bytesOf(data, size));
    Preferences settings(file);
    require(std::isfinite(settings.ghostOpacity()) && std::isfinite(settings.lodBias()));
    const bool labels = settings.showLabels();
    settings.ghostOthersOnSelect();
    settings.renderQuality();
    settings.darkBackground();
    settings.backgroundPalette();
    settings.showEyesAndTeeth();
    const auto datasetID = settings.lastDatasetID();
    const auto view = settings.lastViewState();

    settings.setShowLabels(!labels);
    Preferences reread(file);
    require(reread.showLabels() == !labels);
    require(reread.lastDatasetID() == datasetID);
    require(reread.lastViewState() == view);
    return 0;
}
