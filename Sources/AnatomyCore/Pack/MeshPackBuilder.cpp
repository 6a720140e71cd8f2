#include "AnatomyCore/Pack/MeshPackBuilder.h"

#include "AnatomyCore/Pack/MeshPackError.h"
#include "AnatomyCore/Pack/PackFormat.h"
#include "AnatomyCore/Pack/PackHeader.h"
#include "AnatomyCore/Pack/PackStructure.h"
#include "AnatomyCore/Pack/PackVertex.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>
#include <span>
#include <tuple>

namespace morvena {

namespace {

constexpr std::uint64_t fieldLimit = std::uint64_t(1) << 32; // every count and offset field is 32 bits
constexpr float largestFloat = std::numeric_limits<float>::max();
constexpr Float3 normalWhenMissing {0, 1, 0};

std::uint32_t checkedField(std::uint64_t value)
{
    if (value >= fieldLimit)
        throw MeshPackError::tooLarge();
    return static_cast<std::uint32_t>(value);
}

// A level list the pack can store: whole triangles indexing the mesh's own positions.
bool isUsableLevel(std::span<const std::uint32_t> indices, std::size_t positionCount)
{
    if (indices.size() % 3 != 0)
        return false;
    return indices.empty() || *std::ranges::max_element(indices) < positionCount;
}

struct Layout {
    std::uint64_t structuresOffset = PackFormat::sectionAlignment;
    std::uint64_t verticesOffset = 0;
    std::uint64_t indicesOffset = 0;
    std::uint64_t stringsOffset = 0;
    std::uint64_t fileLength = 0;
};

Layout layoutFor(
    std::uint64_t structures, std::uint64_t vertices, std::uint64_t indices, std::uint64_t strings)
{
    Layout layout;
    layout.verticesOffset
        = PackFormat::alignUp(layout.structuresOffset + PackFormat::structureStride * structures);
    layout.indicesOffset = PackFormat::alignUp(layout.verticesOffset + PackFormat::vertexStride * vertices);
    layout.stringsOffset = PackFormat::alignUp(layout.indicesOffset + sizeof(std::uint32_t) * indices);
    layout.fileLength = PackFormat::alignUp(layout.stringsOffset + strings);
    return layout;
}

template <typename Record> void store(std::byte* at, const Record& record)
{
    std::memcpy(at, &record, sizeof record);
}

// Widening that ignores NaN components (IEEE minNum/maxNum): the box starts
// finite and std::min/std::max keep their first argument when a comparison
// with NaN is false.
void widen(Float3& low, Float3& high, Float3 lowPoint, Float3 highPoint)
{
    low = {std::min(low.x, lowPoint.x), std::min(low.y, lowPoint.y), std::min(low.z, lowPoint.z)};
    high = {std::max(high.x, highPoint.x), std::max(high.y, highPoint.y), std::max(high.z, highPoint.z)};
}

} // namespace

MeshPackBuilder::MeshPackBuilder()
    : strings_(1, '\0')
    , stringOffsets_ {{std::string(), 0}}
{
}

void MeshPackBuilder::add(Mesh mesh)
{
    if (mesh.positions.empty() || mesh.lodIndices.empty())
        return;
    const auto levels = std::min<std::size_t>(mesh.lodIndices.size(), PackFormat::maxLODs);
    for (std::size_t level = 0; level < levels; ++level) {
        if (!isUsableLevel(mesh.lodIndices[level], mesh.positions.size()))
            mesh.lodIndices[level].clear();
    }
    if (mesh.lodIndices[0].empty())
        return;
    staged_.push_back(std::move(mesh));
}

void MeshPackBuilder::sortForLocality()
{
    struct Key {
        std::uint32_t system;
        std::uint32_t region;
        std::string name;
        auto operator<=>(const Key&) const = default;
    };
    std::vector<Key> keys;
    keys.reserve(staged_.size());
    for (const auto& mesh : staged_)
        keys.push_back({rawValue(mesh.system), rawValue(mesh.region), UnicodeText::canonicalForm(mesh.name)});

    std::vector<std::size_t> order(staged_.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::ranges::stable_sort(order, [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });

    std::vector<Mesh> sorted;
    sorted.reserve(staged_.size());
    for (auto index : order)
        sorted.push_back(std::move(staged_[index]));
    staged_ = std::move(sorted);
}

std::size_t MeshPackBuilder::totalVertices() const
{
    std::size_t total = 0;
    for (const auto& mesh : staged_)
        total += mesh.positions.size();
    return total;
}

std::size_t MeshPackBuilder::totalIndices() const
{
    std::size_t total = 0;
    for (const auto& mesh : staged_) {
        for (const auto& level : mesh.lodIndices)
            total += level.size();
    }
    return total;
}

std::uint32_t MeshPackBuilder::intern(std::string_view text)
{
    auto key = UnicodeText::canonicalForm(text);
    if (auto found = stringOffsets_.find(key); found != stringOffsets_.end())
        return found->second;
    auto offset = checkedField(strings_.size());
    checkedField(strings_.size() + text.size() + 1); // the table's length is a 32-bit field too
    strings_.insert(strings_.end(), text.begin(), text.end());
    strings_.push_back('\0');
    stringOffsets_.emplace(std::move(key), offset);
    return offset;
}

void MeshPackBuilder::write(
    const std::filesystem::path& url, std::string_view datasetName, std::string_view attribution)
{
    // First pass: strings in their fixed order, counts and each level's block size.
    checkedField(staged_.size());
    std::vector<std::array<std::uint32_t, 2>> stringOffsets;
    stringOffsets.reserve(staged_.size());
    std::array<std::uint64_t, PackFormat::maxLODs> levelLength {};
    std::uint64_t vertexTotal = 0;
    for (const auto& mesh : staged_) {
        auto nameOffset = intern(mesh.name);
        stringOffsets.push_back({nameOffset, intern(mesh.conceptID)});
        vertexTotal += mesh.positions.size();
        for (std::size_t level = 0;
             level < std::min<std::size_t>(mesh.lodIndices.size(), PackFormat::maxLODs); ++level)
            levelLength[level] += mesh.lodIndices[level].size();
    }
    // Every stored index is below the vertex total, so this bounds them too.
    checkedField(vertexTotal);
    std::array<std::uint64_t, PackFormat::maxLODs> levelBase {};
    for (std::size_t level = 1; level < levelBase.size(); ++level)
        levelBase[level] = checkedField(levelBase[level - 1] + levelLength[level - 1]);
    const auto indexTotal = checkedField(levelBase.back() + levelLength.back());

    PackHeader header;
    header.datasetName = intern(datasetName);
    header.attribution = intern(attribution);

    const auto layout = layoutFor(staged_.size(), vertexTotal, indexTotal, strings_.size());
    auto buffer = std::make_unique<std::byte[]>(layout.fileLength); // zero gaps and reserved bytes
    std::byte* const vertexOut = buffer.get() + layout.verticesOffset;
    std::byte* const indexOut = buffer.get() + layout.indicesOffset;

    // Second pass: vertices and indices straight into the file image.
    Float3 packMin {largestFloat, largestFloat, largestFloat};
    Float3 packMax {-largestFloat, -largestFloat, -largestFloat};
    std::uint32_t lodCount = 1;
    std::array<std::uint64_t, PackFormat::maxLODs> levelCursor = levelBase;
    std::uint32_t vertexStart = 0;
    for (std::size_t i = 0; i < staged_.size(); ++i) {
        const auto& mesh = staged_[i];
        PackStructure record;
        record.nameOffset = stringOffsets[i][0];
        record.conceptOffset = stringOffsets[i][1];
        record.system = rawValue(mesh.system);
        record.region = rawValue(mesh.region);
        record.laterality = rawValue(mesh.laterality);
        record.vertexStart = vertexStart;
        record.vertexCount = static_cast<std::uint32_t>(mesh.positions.size());

        Float3 low {largestFloat, largestFloat, largestFloat};
        Float3 high {-largestFloat, -largestFloat, -largestFloat};
        for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
            const auto position = mesh.positions[v];
            const auto normal = v < mesh.normals.size() ? mesh.normals[v] : normalWhenMissing;
            store(vertexOut + (vertexStart + v) * PackFormat::vertexStride,
                PackVertex(position, normal, static_cast<std::uint32_t>(i)));
            widen(low, high, position, position);
        }

        std::array<std::uint32_t, PackFormat::maxLODs> starts {}, counts {};
        for (std::size_t level = 0; level < PackFormat::maxLODs; ++level) {
            // An empty run points at the start of its level's block, wherever
            // the structure lies in that block.
            starts[level] = static_cast<std::uint32_t>(levelBase[level]);
            if (level >= mesh.lodIndices.size() || mesh.lodIndices[level].empty())
                continue;
            starts[level] = static_cast<std::uint32_t>(levelCursor[level]);
            const auto& list = mesh.lodIndices[level];
            counts[level] = static_cast<std::uint32_t>(list.size());
            auto* out = indexOut + levelCursor[level] * sizeof(std::uint32_t);
            for (std::uint32_t local : list) {
                store(out, local + vertexStart);
                out += sizeof(std::uint32_t);
            }
            levelCursor[level] += list.size();
            lodCount = std::max(lodCount, static_cast<std::uint32_t>(level + 1));
        }
        std::tie(record.lod0Start, record.lod1Start, record.lod2Start, record.lod3Start)
            = std::tuple(starts[0], starts[1], starts[2], starts[3]);
        std::tie(record.lod0Count, record.lod1Count, record.lod2Count, record.lod3Count)
            = std::tuple(counts[0], counts[1], counts[2], counts[3]);

        const auto center = (low + high) * 0.5f;
        std::tie(record.cx, record.cy, record.cz) = std::tuple(center.x, center.y, center.z);
        record.radius = 0.5f * length(high - low);
        std::tie(record.minX, record.minY, record.minZ) = std::tuple(low.x, low.y, low.z);
        std::tie(record.maxX, record.maxY, record.maxZ) = std::tuple(high.x, high.y, high.z);
        store(buffer.get() + layout.structuresOffset + i * PackFormat::structureStride, record);

        widen(packMin, packMax, low, high);
        vertexStart += record.vertexCount;
    }

    std::memcpy(header.magic.data(), PackFormat::magic.data(), PackFormat::magic.size());
    header.version = PackFormat::version;
    header.structureCount = static_cast<std::uint32_t>(staged_.size());
    header.lodCount = lodCount;
    header.vertexCount = static_cast<std::uint32_t>(vertexTotal);
    header.indexCount = indexTotal;
    header.stringsLength = static_cast<std::uint32_t>(strings_.size());
    if (!staged_.empty()) {
        header.boundsMin = {packMin.x, packMin.y, packMin.z};
        header.boundsMax = {packMax.x, packMax.y, packMax.z};
    }
    header.structuresOffset = layout.structuresOffset;
    header.verticesOffset = layout.verticesOffset;
    header.indicesOffset = layout.indicesOffset;
    header.stringsOffset = layout.stringsOffset;
    store(buffer.get(), header);
    std::memcpy(buffer.get() + layout.stringsOffset, strings_.data(), strings_.size());

    auto folder = url.parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder);
    // A viewer may have the previous pack mapped: it must never see a partial file.
    AtomicFile file(url);
    file.write(std::span<const std::byte>(buffer.get(), layout.fileLength));
    file.commit();
}

} // namespace morvena
