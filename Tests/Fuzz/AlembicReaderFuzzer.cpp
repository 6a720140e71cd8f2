// Reads arbitrary bytes as an Alembic archive, as the import does for an ".abc"
// file. An archive either fails with the reader's error or gives meshes of whole
// triangles whose indices stay inside their points and whose normals come one
// per point. Seed corpus: the sample archives of Tests/Data/Alembic.
#include "AnatomyImport/Readers/AlembicReader.h"
#include "FuzzSupport.h"
#include "MeshPromises.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<RawMesh> meshes;
    try {
        meshes = AlembicReader::read(bytesOf(data, size));
    } catch (const AlembicReader::Error&) {
        return 0;
    }
    requireSoundMeshes(meshes);
    for (const auto& mesh : meshes) {
        require(!mesh.isEmpty() && mesh.indices.size() % 3 == 0);
        require(mesh.normals.size() == mesh.positions.size());
    }
    return 0;
}
