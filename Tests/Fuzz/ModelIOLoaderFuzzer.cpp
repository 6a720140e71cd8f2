// Loads arbitrary bytes as an STL (first byte even) or PLY file through the
// loader of the other formats, as the generic import does: no failure escapes
// it, and every mesh indexes only its own positions.
#include "AnatomyImport/Readers/ModelIOLoader.h"
#include "FuzzSupport.h"
#include "MeshPromises.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const auto stl = sandbox() / "model.stl";
    static const auto ply = sandbox() / "model.ply";
    const auto& file = (data[0] & 1) ? ply : stl;
    writeFile(file, bytesOf(data + 1, size - 1));
    requireSoundMeshes(ModelIOLoader::load(file));
    return 0;
}
