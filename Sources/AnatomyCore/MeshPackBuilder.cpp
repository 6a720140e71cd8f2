#include "AnatomyCore/MeshPackBuilder.h"

#include "AnatomyCore/AtomicFile.h"
#include "AnatomyCore/MeshPackError.h"
#include "AnatomyCore/PackFormat.h"
#include "AnatomyCore/PackHeader.h"
#include "AnatomyCore/PackStructure.h"
#include "AnatomyCore/PackVertex.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <span>
#include <thread>
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

bool isASCII(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isWellFormedUTF8(std::string_view text)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int64_t>(text.size());
    std::int64_t position = 0;
    while (position < length) {
        UChar32 scalar;
        U8_NEXT(data, position, length, scalar);
        if (scalar < 0)
            return false;
    }
    return true;
}

// The text's canonical composed form (NFC), under which canonically equivalent
// names sort and intern alike. UTF-8 byte order is scalar-value order, so the
// forms compare as plain bytes. Bytes that are not UTF-8 stay as they are.
std::string canonicalForm(std::string_view text)
{
    if (isASCII(text) || !isWellFormedUTF8(text))
        return std::string(text);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    std::string normalized;
    icu::StringByteSink<std::string> sink(&normalized, static_cast<int32_t>(text.size()));
    if (U_SUCCESS(status))
        nfc->normalizeUTF8(
            0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink, nullptr, status);
    return U_SUCCESS(status) ? normalized : std::string(text);
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

// Calls work(i) for every i below count on up to `threads` threads, which
// take the items one by one in ascending order. `work` must not throw.
void forEachItem(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next {0};
    auto run = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::jthread> helpers;
    for (unsigned index = 1; index < std::min<std::size_t>(threads, count); ++index)
        helpers.emplace_back(run);
    run();
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
        keys.push_back({rawValue(mesh.system), rawValue(mesh.region), canonicalForm(mesh.name)});

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
    auto key = canonicalForm(text);
    if (auto found = stringOffsets_.find(key); found != stringOffsets_.end())
        return found->second;
    auto offset = checkedField(strings_.size());
    checkedField(strings_.size() + text.size() + 1); // the table's length is a 32-bit field too
    strings_.insert(strings_.end(), text.begin(), text.end());
    strings_.push_back('\0');
    stringOffsets_.emplace(std::move(key), offset);
    return offset;
}

struct MeshPackBuilder::Placement {
    Layout layout;
    std::vector<std::array<std::uint32_t, 2>> strings; // name and concept offsets per structure
    std::vector<std::uint32_t> vertexStart;
    // Per structure and level; an empty run points at the start of its
    // level's block, wherever the structure lies in that block.
    std::vector<std::array<std::uint32_t, PackFormat::maxLODs>> indexStart;
    std::uint32_t lodCount = 1;
};

std::array<Float3, 2> MeshPackBuilder::fill(std::size_t i, const Placement& place, std::byte* image) const
{
    const auto& mesh = staged_[i];
    const auto vertexStart = place.vertexStart[i];
    PackStructure record;
    record.nameOffset = place.strings[i][0];
    record.conceptOffset = place.strings[i][1];
    record.system = rawValue(mesh.system);
    record.region = rawValue(mesh.region);
    record.laterality = rawValue(mesh.laterality);
    record.vertexStart = vertexStart;
    record.vertexCount = static_cast<std::uint32_t>(mesh.positions.size());

    std::byte* const vertexOut = image + place.layout.verticesOffset;
    Float3 low {largestFloat, largestFloat, largestFloat};
    Float3 high {-largestFloat, -largestFloat, -largestFloat};
    for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
        const auto position = mesh.positions[v];
        const auto normal = v < mesh.normals.size() ? mesh.normals[v] : normalWhenMissing;
        store(vertexOut + (vertexStart + v) * PackFormat::vertexStride,
            PackVertex(position, normal, static_cast<std::uint32_t>(i)));
        widen(low, high, position, position);
    }

    const auto& starts = place.indexStart[i];
    std::array<std::uint32_t, PackFormat::maxLODs> counts {};
    for (std::size_t level = 0; level < std::min<std::size_t>(mesh.lodIndices.size(), PackFormat::maxLODs);
         ++level) {
        const auto& list = mesh.lodIndices[level];
        counts[level] = static_cast<std::uint32_t>(list.size());
        auto* out = image + place.layout.indicesOffset + std::uint64_t(starts[level]) * sizeof(std::uint32_t);
        for (std::uint32_t local : list) {
            store(out, local + vertexStart);
            out += sizeof(std::uint32_t);
        }
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
    store(image + place.layout.structuresOffset + i * PackFormat::structureStride, record);
    return {low, high};
}

void MeshPackBuilder::write(const std::filesystem::path& url, std::string_view datasetName,
    std::string_view attribution, unsigned threads) &
{
    write(url, datasetName, attribution, threads, false);
}

void MeshPackBuilder::write(const std::filesystem::path& url, std::string_view datasetName,
    std::string_view attribution, unsigned threads) &&
{
    write(url, datasetName, attribution, threads, true);
}

void MeshPackBuilder::write(const std::filesystem::path& url, std::string_view datasetName,
    std::string_view attribution, unsigned threads, bool freeMeshes)
{
    // First pass: strings in their fixed order, counts and where every
    // structure's vertices and index runs go.
    checkedField(staged_.size());
    Placement place;
    place.strings.reserve(staged_.size());
    place.vertexStart.reserve(staged_.size());
    std::array<std::uint64_t, PackFormat::maxLODs> levelLength {};
    std::uint64_t vertexTotal = 0;
    for (const auto& mesh : staged_) {
        auto nameOffset = intern(mesh.name);
        place.strings.push_back({nameOffset, intern(mesh.conceptID)});
        place.vertexStart.push_back(static_cast<std::uint32_t>(std::min(vertexTotal, fieldLimit - 1)));
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
    auto levelCursor = levelBase;
    place.indexStart.reserve(staged_.size());
    for (const auto& mesh : staged_) {
        auto& starts = place.indexStart.emplace_back();
        for (std::size_t level = 0; level < PackFormat::maxLODs; ++level) {
            starts[level] = static_cast<std::uint32_t>(levelBase[level]);
            if (level >= mesh.lodIndices.size() || mesh.lodIndices[level].empty())
                continue;
            starts[level] = static_cast<std::uint32_t>(levelCursor[level]);
            levelCursor[level] += mesh.lodIndices[level].size();
            place.lodCount = std::max(place.lodCount, static_cast<std::uint32_t>(level + 1));
        }
    }

    PackHeader header;
    header.datasetName = intern(datasetName);
    header.attribution = intern(attribution);
    place.layout = layoutFor(staged_.size(), vertexTotal, indexTotal, strings_.size());

    auto folder = url.parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder);
    // A viewer may have the previous pack mapped: it must never see a partial
    // file. The new one is written in place, its gaps and reserved bytes zero.
    AtomicFile file(url);
    std::byte* const image = file.mapForWriting(place.layout.fileLength).data();

    // Second pass: records, vertices and indices straight into the file.
    std::vector<std::array<Float3, 2>> boxes(staged_.size());
    forEachItem(staged_.size(), threads, [&](std::size_t i) {
        boxes[i] = fill(i, place, image);
        if (freeMeshes)
            staged_[i] = {};
    });
    Float3 packMin {largestFloat, largestFloat, largestFloat};
    Float3 packMax {-largestFloat, -largestFloat, -largestFloat};
    for (const auto& [low, high] : boxes)
        widen(packMin, packMax, low, high);

    std::memcpy(header.magic.data(), PackFormat::magic.data(), PackFormat::magic.size());
    header.version = PackFormat::version;
    header.structureCount = static_cast<std::uint32_t>(staged_.size());
    header.lodCount = place.lodCount;
    header.vertexCount = static_cast<std::uint32_t>(vertexTotal);
    header.indexCount = indexTotal;
    header.stringsLength = static_cast<std::uint32_t>(strings_.size());
    if (!staged_.empty()) {
        header.boundsMin = {packMin.x, packMin.y, packMin.z};
        header.boundsMax = {packMax.x, packMax.y, packMax.z};
    }
    header.structuresOffset = place.layout.structuresOffset;
    header.verticesOffset = place.layout.verticesOffset;
    header.indicesOffset = place.layout.indicesOffset;
    header.stringsOffset = place.layout.stringsOffset;
    store(image, header);
    std::memcpy(image + place.layout.stringsOffset, strings_.data(), strings_.size());
    if (freeMeshes)
        staged_ = {};
    file.commit();
}

} // namespace morvena
