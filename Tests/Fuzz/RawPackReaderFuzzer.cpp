// Opens arbitrary bytes as a geometry pack with the tool's lenient verify
// reader, then reads every record, index and name the verification reads. The
// reader hands records out unchecked, but every section it hands out must lie
// inside the file, and no name may reach past the strings.
#include "AnatomyCore/Pack/MeshPackError.h"
#include "AnatomyCore/Pack/PackFormat.h"
#include "AnatomyCore/Pack/PackHeader.h"
#include "FuzzSupport.h"
#include "mrvtool/RawPackReader.h"

#include <cstring>

using namespace morvena;
using namespace morvena::fuzz;

namespace {

bool inside(std::uint64_t offset, std::uint64_t count, std::uint64_t stride, std::size_t size)
{
    return offset <= size && count <= (size - offset) / stride;
}

void readEverything(const tool::RawPackReader& pack, const PackHeader& header, std::size_t size)
{
    require(inside(header.structuresOffset, pack.structures().size(), PackFormat::structureStride, size));
    require(inside(header.indicesOffset, pack.indices().size(), sizeof(std::uint32_t), size));
    require(inside(header.verticesOffset, pack.vertexCount(), PackFormat::vertexStride, size));
    std::uint64_t sum = 0;
    for (auto index : pack.indices())
        sum += index;
    for (std::size_t i = 0; i <= pack.structures().size(); ++i) {
        const auto name = pack.conceptID(i);
        require(name.size() <= header.stringsLength);
        sum += name.size();
    }
    for (const auto& record : pack.structures()) {
        for (int lod = 0; lod < PackFormat::maxLODs; ++lod)
            sum += record.lodIndexStart(lod) + record.lodIndexCount(lod);
    }
    [[maybe_unused]] volatile std::uint64_t keep = sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto& path = memoryFile(bytesOf(data, size));
    try {
        tool::RawPackReader pack(path);
        PackHeader header;
        require(size >= sizeof header);
        std::memcpy(&header, data, sizeof header);
        readEverything(pack, header, size);
    } catch (const MeshPackError&) {
    }
    return 0;
}
