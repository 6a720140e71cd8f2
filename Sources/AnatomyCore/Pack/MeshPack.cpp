#include "AnatomyCore/Pack/MeshPack.h"

#include "AnatomyCore/Pack/MeshPackError.h"
#include "AnatomyCore/Pack/PackHeader.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <utility>

namespace morvena {

namespace {

bool runWithin(std::uint64_t start, std::uint64_t count, std::uint64_t total)
{
    return start <= total && count <= total - start;
}

// Whether every value lies in [first, end), where end - first < 2^32 - first
// (the structure's vertex range has been checked against the 32-bit vertex
// count). Values below `first` then wrap around to offsets past the range, so
// one maximum answers both bounds; eight independent lanes keep the scan over
// millions of indices vectorised.
bool allWithin(std::span<const std::uint32_t> values, std::uint32_t first, std::uint64_t end)
{
    constexpr std::size_t lanes = 8;
    std::array<std::uint32_t, lanes> highest {};
    std::size_t i = 0;
    for (; i + lanes <= values.size(); i += lanes) {
        for (std::size_t lane = 0; lane < lanes; ++lane)
            highest[lane] = std::max(highest[lane], values[i + lane] - first);
    }
    for (; i < values.size(); ++i)
        highest[0] = std::max(highest[0], values[i] - first);
    return std::uint64_t(std::ranges::max(highest)) + first < end;
}

// Every level run lies in the index section, holds whole triangles, belongs to
// a level the pack declares and indexes only its own structure's vertices.
void requireValidRuns(
    const PackStructure& record, std::span<const std::uint32_t> indices, std::size_t lodCount)
{
    const std::uint64_t endVertex = std::uint64_t(record.vertexStart) + record.vertexCount;
    for (int lod = 0; lod < PackFormat::maxLODs; ++lod) {
        std::uint32_t start = record.lodIndexStart(lod);
        std::uint32_t count = record.lodIndexCount(lod);
        if (!runWithin(start, count, indices.size()))
            throw MeshPackError::truncated();
        if (count == 0)
            continue;
        if (count % 3 != 0 || static_cast<std::size_t>(lod) >= lodCount)
            throw MeshPackError::truncated();
        if (!allWithin(indices.subspan(start, count), record.vertexStart, endVertex))
            throw MeshPackError::truncated();
    }
}

void requireValidRecords(std::span<const PackStructure> records, std::span<const PackVertex> vertices,
    std::span<const std::uint32_t> indices, std::size_t lodCount, std::uint64_t stringsLength)
{
    for (const auto& record : records) {
        if (!runWithin(record.vertexStart, record.vertexCount, vertices.size()))
            throw MeshPackError::truncated();
        if (record.nameOffset >= stringsLength || record.conceptOffset >= stringsLength)
            throw MeshPackError::truncated();
        requireValidRuns(record, indices, lodCount);
    }
    // The renderer looks up a vertex's structure record on the GPU.
    for (const auto& vertex : vertices) {
        if (vertex.structureIndex >= records.size())
            throw MeshPackError::truncated();
    }
}

} // namespace

MeshPack::MeshPack(std::filesystem::path url)
    : url_(std::move(url))
    , file_(url_)
{
    const auto& header = file_.header();
    base_ = file_.data();
    byteCount_ = file_.size();
    if (header.lodCount < 1 || header.lodCount > static_cast<std::uint32_t>(PackFormat::maxLODs))
        throw MeshPackError::truncated();

    structureCount_ = header.structureCount;
    vertexCount_ = header.vertexCount;
    indexCount_ = header.indexCount;
    lodCount_ = header.lodCount;
    boundsMin_ = header.boundsMin;
    boundsMax_ = header.boundsMax;
    structuresOffset_ = header.structuresOffset;
    verticesOffset_ = header.verticesOffset;
    indicesOffset_ = header.indicesOffset;
    stringsOffset_ = header.stringsOffset;
    stringsLength_ = header.stringsLength;

    requireValidRecords(structures(), vertices(), indices(), lodCount_, stringsLength_);
    datasetName_ = string(header.datasetName);
    attribution_ = string(header.attribution);
}

MeshPack::~MeshPack() = default;

std::span<const PackStructure> MeshPack::structures() const
{
    return {reinterpret_cast<const PackStructure*>(section(structuresOffset_)), structureCount_};
}

std::span<const PackVertex> MeshPack::vertices() const
{
    return {reinterpret_cast<const PackVertex*>(section(verticesOffset_)), vertexCount_};
}

std::span<const std::uint32_t> MeshPack::indices() const
{
    return {reinterpret_cast<const std::uint32_t*>(section(indicesOffset_)), indexCount_};
}

const void* MeshPack::verticesPointer() const
{
    return section(verticesOffset_);
}

const void* MeshPack::indicesPointer() const
{
    return section(indicesOffset_);
}

std::string MeshPack::string(std::uint64_t offset) const
{
    if (offset >= stringsLength_)
        return {};
    const auto* start = reinterpret_cast<const char*>(section(stringsOffset_ + offset));
    std::string_view rest(start, stringsLength_ - offset);
    // A last string without its NUL ends with the section.
    return UnicodeText::repairedUTF8(rest.substr(0, rest.find('\0')));
}

std::string MeshPack::name(std::int64_t structureIndex) const
{
    if (structureIndex < 0 || static_cast<std::uint64_t>(structureIndex) >= structureCount_)
        return {};
    return string(structures()[static_cast<std::size_t>(structureIndex)].nameOffset);
}

std::string MeshPack::conceptID(std::int64_t structureIndex) const
{
    if (structureIndex < 0 || static_cast<std::uint64_t>(structureIndex) >= structureCount_)
        return {};
    return string(structures()[static_cast<std::size_t>(structureIndex)].conceptOffset);
}

const std::unordered_map<std::string, std::int64_t>& MeshPack::indexByConceptID()
{
    if (!indexByConceptID_) {
        std::unordered_map<std::string, std::int64_t> index;
        index.reserve(structureCount_);
        for (std::size_t i = 0; i < structureCount_; ++i)
            index[conceptID(static_cast<std::int64_t>(i))] = static_cast<std::int64_t>(i);
        indexByConceptID_ = std::move(index);
    }
    return *indexByConceptID_;
}

void MeshPack::setIndexByConceptID(std::unordered_map<std::string, std::int64_t> index)
{
    indexByConceptID_ = std::move(index);
}

std::size_t MeshPack::triangleCount() const
{
    return indexCountForLOD(0) / 3;
}

std::size_t MeshPack::indexCountForLOD(int lod) const
{
    std::size_t total = 0;
    for (const auto& record : structures())
        total += record.lodIndexCount(lod);
    return total;
}

Float3 MeshPack::center() const
{
    return (boundsMin_ + boundsMax_) * 0.5f;
}

float MeshPack::radius() const
{
    return 0.5f * length(boundsMax_ - boundsMin_);
}

} // namespace morvena
