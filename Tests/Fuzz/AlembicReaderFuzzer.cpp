// Reads arbitrary bytes as an Alembic archive, as the import does for an ".abc"
// file. Whatever it returns must be safe to use: whole triangles, every index
// inside its mesh's points, one normal per point. Seed corpus: the sample
// archives in Tests/Data/Alembic.
//   build/fuzz/bin/AlembicReaderFuzzer -max_len=65536 -rss_limit_mb=2048 corpus Tests/Data/Alembic
#include "AnatomyImport/Readers/AlembicReader.h"

#include <cstddef>
#include <cstdint>

using namespace morvena;

namespace {

void require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        for (const RawMesh& mesh : AlembicReader::read({data, size})) {
            require(mesh.indices.size() % 3 == 0 && mesh.indices.size() >= 3);
            require(mesh.normals.size() == mesh.positions.size());
            for (std::uint32_t index : mesh.indices)
                require(index < mesh.positions.size());
        }
    } catch (const AlembicReader::Error&) {
    }
    return 0;
}
