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
#include <atomic>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <span>
#include <thread>

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

// The levels of a mesh that the pack stores: at most the format's count.
std::size_t storedLevels(const MeshPackBuilder::Mesh& mesh)
{
    return std::min<std::size_t>(mesh.lodIndices.size(), PackFormat::maxLODs);
}

using Meshes = std::span<MeshPackBuilder::Mesh>;
using LevelOffsets = std::array<std::uint64_t, PackFormat::maxLODs>;
using LevelRuns = std::array<std::uint32_t, PackFormat::maxLODs>;

// Where each structure's strings lie, where its vertices and index runs go and
// how the index section divides into one block per level, found before
// anything is copied, so that structures can be copied in any order.
struct PackPlan {
    std::vector<std::array<std::uint32_t, 2>> stringOffsets; // name, concept ID
    std::vector<std::uint32_t> vertexStart;
    // An empty run points at the start of its level's block, wherever the
    // structure lies in that block.
    std::vector<LevelRuns> runStart; // per structure and level
    LevelOffsets levelBase {};
    std::uint64_t vertexTotal = 0;
    std::uint32_t indexTotal = 0;
    std::uint32_t lodCount = 1; // up to the last level any structure fills
};

// The box around all positions, for the header.
struct PackExtent {
    Float3 low {largestFloat, largestFloat, largestFloat};
    Float3 high {-largestFloat, -largestFloat, -largestFloat};
};

// Interns every structure's strings, in structure order, and sizes the sections.
template <class Intern> PackPlan planPack(Meshes meshes, Intern&& intern)
{
    checkedField(meshes.size());
    PackPlan plan;
    plan.stringOffsets.reserve(meshes.size());
    plan.vertexStart.reserve(meshes.size());
    LevelOffsets levelLength {};
    for (const auto& mesh : meshes) {
        auto nameOffset = intern(mesh.name);
        plan.stringOffsets.push_back({nameOffset, intern(mesh.conceptID)});
        plan.vertexStart.push_back(static_cast<std::uint32_t>(std::min(plan.vertexTotal, fieldLimit - 1)));
        plan.vertexTotal += mesh.positions.size();
        for (std::size_t level = 0; level < storedLevels(mesh); ++level)
            levelLength[level] += mesh.lodIndices[level].size();
    }
    // Every stored index is below the vertex total, so this bounds them too.
    checkedField(plan.vertexTotal);
    for (std::size_t level = 1; level < plan.levelBase.size(); ++level)
        plan.levelBase[level] = checkedField(plan.levelBase[level - 1] + levelLength[level - 1]);
    plan.indexTotal = checkedField(plan.levelBase.back() + levelLength.back());
    LevelOffsets levelCursor = plan.levelBase;
    plan.runStart.reserve(meshes.size());
    for (const auto& mesh : meshes) {
        auto& starts = plan.runStart.emplace_back();
        for (std::size_t level = 0; level < PackFormat::maxLODs; ++level) {
            starts[level] = static_cast<std::uint32_t>(plan.levelBase[level]);
            if (level >= mesh.lodIndices.size() || mesh.lodIndices[level].empty())
                continue;
            starts[level] = static_cast<std::uint32_t>(levelCursor[level]);
            levelCursor[level] += mesh.lodIndices[level].size();
            plan.lodCount = std::max(plan.lodCount, static_cast<std::uint32_t>(level + 1));
        }
    }
    return plan;
}

// Stores the mesh's vertices from `out` on and returns their bounding box.
std::pair<Float3, Float3> copyVertices(
    const MeshPackBuilder::Mesh& mesh, std::uint32_t structureIndex, std::byte* out)
{
    Float3 low {largestFloat, largestFloat, largestFloat};
    Float3 high {-largestFloat, -largestFloat, -largestFloat};
    for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
        const auto position = mesh.positions[v];
        const auto normal = v < mesh.normals.size() ? mesh.normals[v] : normalWhenMissing;
        store(out + v * PackFormat::vertexStride, PackVertex(position, normal, structureIndex));
        widen(low, high, position, position);
    }
    return {low, high};
}

// Stores each filled level's indices, shifted to the pack's vertex numbering,
// where the plan puts them and records the runs.
void copyLevels(const MeshPackBuilder::Mesh& mesh, std::uint32_t vertexStart, const LevelRuns& starts,
    std::byte* indexOut, PackStructure& record)
{
    for (std::size_t level = 0; level < PackFormat::maxLODs; ++level) {
        const bool filled = level < mesh.lodIndices.size() && !mesh.lodIndices[level].empty();
        const auto count = filled ? mesh.lodIndices[level].size() : 0;
        record.setLODRun(static_cast<int>(level), starts[level], static_cast<std::uint32_t>(count));
        auto* out = indexOut + std::uint64_t(starts[level]) * sizeof(std::uint32_t);
        for (std::size_t at = 0; at < count; ++at) {
            store(out, mesh.lodIndices[level][at] + vertexStart);
            out += sizeof(std::uint32_t);
        }
    }
}

// Copies structure i's vertices, level runs and record into the file image and
// returns the box around its positions.
std::pair<Float3, Float3> copyStructure(const MeshPackBuilder::Mesh& mesh, std::size_t i,
    const PackPlan& plan, const Layout& layout, std::byte* file)
{
    const auto vertexStart = plan.vertexStart[i];
    PackStructure record;
    record.nameOffset = plan.stringOffsets[i][0];
    record.conceptOffset = plan.stringOffsets[i][1];
    record.system = rawValue(mesh.system);
    record.region = rawValue(mesh.region);
    record.laterality = rawValue(mesh.laterality);
    record.vertexStart = vertexStart;
    record.vertexCount = static_cast<std::uint32_t>(mesh.positions.size());

    const auto [low, high] = copyVertices(mesh, static_cast<std::uint32_t>(i),
        file + layout.verticesOffset + std::uint64_t(vertexStart) * PackFormat::vertexStride);
    record.setCenter((low + high) * 0.5f);
    record.radius = 0.5f * length(high - low);
    record.setBounds(low, high);
    copyLevels(mesh, vertexStart, plan.runStart[i], file + layout.indicesOffset, record);
    store(file + layout.structuresOffset + i * PackFormat::structureStride, record);
    return {low, high};
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
    for (std::size_t helper = 1; helper < std::min<std::size_t>(threads, count); ++helper)
        helpers.emplace_back(run);
    run();
}

// Copies every structure into the file image on up to `threads` threads,
// freeing each mesh once copied when asked.
PackExtent copyStructures(Meshes meshes, const PackPlan& plan, const Layout& layout, std::byte* file,
    unsigned threads, bool freeMeshes)
{
    std::vector<std::pair<Float3, Float3>> boxes(meshes.size());
    forEachItem(meshes.size(), threads, [&](std::size_t i) {
        boxes[i] = copyStructure(meshes[i], i, plan, layout, file);
        if (freeMeshes)
            meshes[i] = {};
    });
    PackExtent extent;
    for (const auto& [low, high] : boxes)
        widen(extent.low, extent.high, low, high);
    return extent;
}

// Everything in the header but the dataset's two strings.
void fillHeader(PackHeader& header, const PackPlan& plan, const Layout& layout, const PackExtent& extent,
    std::uint64_t stringsLength)
{
    std::memcpy(header.magic.data(), PackFormat::magic.data(), PackFormat::magic.size());
    header.version = PackFormat::version;
    header.structureCount = static_cast<std::uint32_t>(plan.stringOffsets.size());
    header.lodCount = plan.lodCount;
    header.vertexCount = static_cast<std::uint32_t>(plan.vertexTotal);
    header.indexCount = plan.indexTotal;
    header.stringsLength = static_cast<std::uint32_t>(stringsLength);
    if (!plan.stringOffsets.empty()) {
        header.boundsMin = extent.low;
        header.boundsMax = extent.high;
    }
    header.structuresOffset = layout.structuresOffset;
    header.verticesOffset = layout.verticesOffset;
    header.indicesOffset = layout.indicesOffset;
    header.stringsOffset = layout.stringsOffset;
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
    const auto plan = planPack(staged_, [this](std::string_view text) { return intern(text); });
    PackHeader header;
    header.datasetName = intern(datasetName);
    header.attribution = intern(attribution);
    const auto layout = layoutFor(staged_.size(), plan.vertexTotal, plan.indexTotal, strings_.size());

    auto folder = url.parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder);
    // A viewer may have the previous pack mapped: it must never see a partial
    // file. The new one is filled in place, its gaps and reserved bytes zero.
    AtomicFile file(url);
    std::byte* const image = file.mapForWriting(layout.fileLength).data();
    const auto extent = copyStructures(staged_, plan, layout, image, threads, freeMeshes);
    fillHeader(header, plan, layout, extent, strings_.size());
    store(image, header);
    std::memcpy(image + layout.stringsOffset, strings_.data(), strings_.size());
    if (freeMeshes)
        staged_ = {};
    file.commit();
}

} // namespace morvena
