// Reads arbitrary bytes as a USDZ package: the stored zip's entries as such,
// then the whole package through the loader the import uses. Every entry's
// bytes must lie inside the archive.
#include "AnatomyImport/Readers/ModelIOLoader.h"
#include "AnatomyImport/Readers/StoredZip.h"
#include "FuzzSupport.h"
#include "MeshPromises.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto archive = bytesOf(data, size);
    try {
        for (const auto& entry : StoredZip::entries(archive)) {
            require(entry.data.empty()
                || (entry.data.data() >= archive.data()
                    && entry.data.data() + entry.data.size() <= archive.data() + archive.size()));
        }
    } catch (const StoredZip::Error&) {
    }
    static const auto file = sandbox() / "package.usdz";
    writeFile(file, archive);
    requireSoundMeshes(ModelIOLoader::load(file));
    return 0;
}
