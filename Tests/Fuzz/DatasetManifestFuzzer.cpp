// Reads arbitrary bytes as a dataset's manifest.json, as the programs do. A
// manifest that decodes must survive its own encoding unchanged, since the
// importer writes what the tool and the viewer read back.
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "FuzzSupport.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto file = sandbox() / "manifest.json";
    writeFile(file, bytesOf(data, size));
    auto manifest = DatasetManifest::read(file);
    if (!manifest)
        return 0;
    require(DatasetManifest::decode(manifest->encoded()) == *manifest);
    return 0;
}
