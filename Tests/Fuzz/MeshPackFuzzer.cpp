// Opens arbitrary bytes as a geometry pack. Whatever opens must keep the
// promises consumers index by: every run, vertex range, index, vertex owner
// and string offset lies inside its section.
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackError.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace morvena;

namespace {

void require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

void checkPromises(MeshPack& pack)
{
    auto records = pack.structures();
    auto vertices = pack.vertices();
    auto indices = pack.indices();
    for (std::size_t s = 0; s < records.size(); ++s) {
        const auto& record = records[s];
        require(std::uint64_t(record.vertexStart) + record.vertexCount <= vertices.size());
        for (int lod = 0; lod < 4; ++lod) {
            auto start = record.lodIndexStart(lod), count = record.lodIndexCount(lod);
            require(std::uint64_t(start) + count <= indices.size() && count % 3 == 0);
            require(count == 0 || static_cast<std::size_t>(lod) < pack.lodCount());
            for (auto index : indices.subspan(start, count))
                require(index >= record.vertexStart && index - record.vertexStart < record.vertexCount);
            require(record.resolvedLOD(lod) <= lod);
        }
        pack.name(static_cast<std::int64_t>(s));
        pack.conceptID(static_cast<std::int64_t>(s));
    }
    for (const auto& vertex : vertices)
        require(vertex.structureIndex < records.size());
    pack.indexByConceptID();
    pack.triangleCount();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int file = memfd_create("pack", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    try {
        MeshPack pack(path);
        checkPromises(pack);
    } catch (const MeshPackError&) {
    }
    return 0;
}
