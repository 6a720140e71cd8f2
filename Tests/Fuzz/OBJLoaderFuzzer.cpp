// Loads arbitrary bytes as a Wavefront OBJ file and splits it into its groups,
// as the generic import does. Every index must name a position the file
// defines, normals come one per position or not at all, and every group mesh
// must index only its own vertices.
#include "AnatomyImport/Readers/OBJLoader.h"
#include "FuzzSupport.h"
#include "MeshPromises.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto file = sandbox() / "model.obj";
    writeFile(file, bytesOf(data, size));
    const auto result = OBJLoader::load(file);
    require(result.normals.empty() || result.normals.size() == result.positions.size());
    for (std::size_t group = 0; group < result.groups.size(); ++group) {
        require(!result.groups[group].indices.empty() && result.groups[group].indices.size() % 3 == 0);
        for (auto index : result.groups[group].indices)
            require(index < result.positions.size());
        const RawMesh mesh = result.groupMesh(group);
        requireSoundMeshes({&mesh, 1});
        require(mesh.indices.size() == result.groups[group].indices.size());
    }
    require(result.allIndices().size() % 3 == 0);
    return 0;
}
