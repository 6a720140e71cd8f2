#include "AnatomyCore/MeshPack.h"

#include "AnatomyCore/MeshPackError.h"

namespace morvena {

MeshPack::MeshPack(std::filesystem::path url)
    : url_(std::move(url))
{
    throw MeshPackError::cannotOpen(url_.string());
}

MeshPack::~MeshPack() = default;

std::span<const PackStructure> MeshPack::structures() const
{
    return {};
}
std::span<const PackVertex> MeshPack::vertices() const
{
    return {};
}
std::span<const std::uint32_t> MeshPack::indices() const
{
    return {};
}
const void* MeshPack::verticesPointer() const
{
    return nullptr;
}
const void* MeshPack::indicesPointer() const
{
    return nullptr;
}
std::string MeshPack::string(std::uint64_t) const
{
    return {};
}
std::string MeshPack::name(std::int64_t) const
{
    return {};
}
std::string MeshPack::conceptID(std::int64_t) const
{
    return {};
}
const std::unordered_map<std::string, std::int64_t>& MeshPack::indexByConceptID()
{
    if (!indexByConceptID_)
        indexByConceptID_.emplace();
    return *indexByConceptID_;
}
void MeshPack::setIndexByConceptID(std::unordered_map<std::string, std::int64_t> index)
{
    indexByConceptID_ = std::move(index);
}
std::size_t MeshPack::triangleCount() const
{
    return 0;
}
std::size_t MeshPack::indexCountForLOD(int) const
{
    return 0;
}
Float3 MeshPack::center() const
{
    return {};
}
float MeshPack::radius() const
{
    return 0;
}

} // namespace morvena
