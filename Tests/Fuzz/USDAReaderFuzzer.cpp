// Reads arbitrary bytes as a USD text layer. A layer either fails with the
// reader's error or gives meshes whose indices stay inside their points and
// whose normals come one per point.
#include "AnatomyImport/Readers/USDAReader.h"
#include "FuzzSupport.h"
#include "MeshPromises.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<RawMesh> meshes;
    try {
        meshes = USDAReader::read(bytesOf(data, size));
    } catch (const USDAReader::Error&) {
        return 0;
    }
    requireSoundMeshes(meshes);
    for (const auto& mesh : meshes)
        require(mesh.normals.size() == mesh.positions.size());
    return 0;
}
