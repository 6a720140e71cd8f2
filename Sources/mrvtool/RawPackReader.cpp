#include "mrvtool/RawPackReader.h"

namespace morvena::tool {

RawPackReader::RawPackReader(const std::filesystem::path& url)
    : file_(url)
{
    const auto& header = file_.header();
    const auto* base = file_.data();
    structures_
        = {reinterpret_cast<const PackStructure*>(base + header.structuresOffset), header.structureCount};
    indices_ = {reinterpret_cast<const std::uint32_t*>(base + header.indicesOffset), header.indexCount};
    vertexCount_ = header.vertexCount;
    strings_ = {reinterpret_cast<const char*>(base + header.stringsOffset), header.stringsLength};
}

std::string RawPackReader::conceptID(std::size_t structureIndex) const
{
    if (structureIndex >= structures_.size())
        return {};
    std::uint64_t offset = structures_[structureIndex].conceptOffset;
    if (offset >= strings_.size())
        return {};
    std::string_view rest(strings_.data() + offset, strings_.size() - offset);
    return std::string(rest.substr(0, rest.find('\0')));
}

} // namespace morvena::tool
