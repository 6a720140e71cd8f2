#include "AnatomyImport/Export/GLTFExporter.h"

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Pack/MeshPack.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace morvena::GLTFExporter {

namespace {

// The BIN chunk is the pack's own little-endian floats and integers copied as
// they lie in memory.
static_assert(std::endian::native == std::endian::little);

// Sorted keys come from std::map; single-precision numbers print as the
// shortest text that reads back as the same float.
using Json
    = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t, std::uint64_t, float>;

// GLB container constants (glTF 2.0, binary format).
constexpr std::uint32_t glbMagic = 0x46546C67; // "glTF"
constexpr std::uint32_t glbVersion = 2;
constexpr std::uint32_t jsonChunkType = 0x4E4F534A; // "JSON"
constexpr std::uint32_t binChunkType = 0x004E4942; // "BIN\0"
constexpr std::uint64_t containerOverhead = 28; // file header and both chunk headers

// glTF enumerations.
constexpr int arrayBufferTarget = 34962;
constexpr int elementArrayBufferTarget = 34963;
constexpr int floatComponent = 5126;
constexpr int unsignedIntComponent = 5125;
constexpr int trianglesMode = 4;

// Rough JSON sizes, for reserving the file's memory up front.
constexpr std::uint64_t jsonBytesBase = 4096;
constexpr std::uint64_t jsonBytesPerStructure = 1024;

constexpr float largestFloat = std::numeric_limits<float>::max();
constexpr std::uint32_t notYetMet = std::numeric_limits<std::uint32_t>::max();

// Roughness per body system raw value: bone and tendon-like tissue a little
// glossy, vessels and sense organs wet-looking, muscle and heart matte.
constexpr std::array<float, anatomySystemCount> roughnessBySystem {0.5f, 0.38f, 0.52f, 0.38f, 0.38f, 0.38f,
    0.5f, 0.5f, 0.3f, 0.3f, 0.52f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.3f, 0.5f};

Json vector3(Float3 v)
{
    return Json::array({v.x, v.y, v.z});
}

Json material(std::uint32_t systemRaw)
{
    const auto system = anatomySystem(systemRaw).value_or(AnatomySystem::unclassified);
    const auto color = baseColor(system);
    return {
        {"name", std::string(italianName(system))},
        {"pbrMetallicRoughness",
            {
                {"baseColorFactor", Json::array({color.red, color.green, color.blue, 1.f})},
                {"metallicFactor", 0.f},
                {"roughnessFactor", roughnessBySystem[rawValue(system)]},
            }},
        {"doubleSided", true},
    };
}

// One structure re-indexed on its own: its vertices in order of first use.
struct LocalMesh {
    std::vector<Float3> positions;
    std::vector<Float3> normals;
    std::vector<std::uint32_t> indices;
    Float3 low;
    Float3 high;
};

// Builds the BIN data and the JSON members one structure at a time.
class GLBWriter {
public:
    GLBWriter(
        const MeshPack& pack, const Names& names, const Options& options, Float3 center, std::uint64_t limit)
        : pack_(pack)
        , names_(names)
        , options_(options)
        , center_(center)
        , limit_(limit)
    {
    }

    // False when the pack is damaged, a value is not finite or the file grows
    // past the limit; the export then gives nothing.
    bool add(std::int64_t structureIndex);
    // Room for the whole file, so that the BIN data is never moved while it grows.
    void reserve(std::span<const std::int64_t> structures);
    std::optional<Result> finish();

private:
    bool reindex(const PackStructure& record, std::uint32_t start, std::uint32_t count);
    std::size_t addBufferView(std::span<const std::byte> block, int target);
    void align4();
    Json primitive(std::size_t firstAccessor, std::uint32_t system);

    const MeshPack& pack_;
    const Names& names_;
    const Options& options_;
    const Float3 center_;
    const std::uint64_t limit_;

    LocalMesh local_;
    std::vector<std::uint32_t> localIndexOf_; // by vertex offset inside the structure
    std::vector<std::byte> bin_;
    Json bufferViews_ = Json::array();
    Json accessors_ = Json::array();
    Json meshes_ = Json::array();
    Json nodes_ = Json::array();
    Json materials_ = Json::array();
    std::unordered_map<std::uint32_t, std::size_t> materialBySystem_;
    Result result_;
};

bool GLBWriter::reindex(const PackStructure& record, std::uint32_t start, std::uint32_t count)
{
    // The pack checks its runs when it opens; the bytes written here must not
    // depend on that, so every run and index is checked again before use.
    const auto vertices = pack_.vertices();
    const auto indices = pack_.indices();
    if (std::uint64_t(start) + count > indices.size() || count % 3 != 0)
        return false;
    if (std::uint64_t(record.vertexStart) + record.vertexCount > vertices.size())
        return false;

    local_.positions.clear();
    local_.normals.clear();
    local_.indices.clear();
    local_.low = {largestFloat, largestFloat, largestFloat};
    local_.high = {-largestFloat, -largestFloat, -largestFloat};
    localIndexOf_.assign(record.vertexCount, notYetMet);
    local_.indices.reserve(count);
    for (std::uint32_t packIndex : indices.subspan(start, count)) {
        const std::uint32_t offset = packIndex - record.vertexStart; // wraps for indices below the start
        if (packIndex < record.vertexStart || offset >= record.vertexCount)
            return false;
        auto& local = localIndexOf_[offset];
        if (local == notYetMet) {
            const auto& vertex = vertices[packIndex];
            const Float3 position = (vertex.position() - center_) * options_.scale;
            const Float3 normal = vertex.normal();
            if (!isFinite(position) || !isFinite(normal))
                return false;
            local = static_cast<std::uint32_t>(local_.positions.size());
            local_.positions.push_back(position);
            local_.normals.push_back(normal);
            local_.low = {std::min(local_.low.x, position.x), std::min(local_.low.y, position.y),
                std::min(local_.low.z, position.z)};
            local_.high = {std::max(local_.high.x, position.x), std::max(local_.high.y, position.y),
                std::max(local_.high.z, position.z)};
        }
        local_.indices.push_back(local);
    }
    return true;
}

void GLBWriter::align4()
{
    bin_.resize((bin_.size() + 3) / 4 * 4, std::byte {0});
}

std::size_t GLBWriter::addBufferView(std::span<const std::byte> block, int target)
{
    align4();
    const auto offset = bin_.size();
    bin_.insert(bin_.end(), block.begin(), block.end());
    bufferViews_.push_back(
        {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", block.size()}, {"target", target}});
    return bufferViews_.size() - 1;
}

Json GLBWriter::primitive(std::size_t firstAccessor, std::uint32_t system)
{
    Json primitive {
        {"attributes", {{"POSITION", firstAccessor}, {"NORMAL", firstAccessor + 1}}},
        {"indices", firstAccessor + 2},
        {"mode", trianglesMode},
    };
    if (options_.coloredMaterials) {
        auto [found, added] = materialBySystem_.try_emplace(system, materials_.size());
        if (added)
            materials_.push_back(material(system));
        primitive["material"] = found->second;
    }
    return primitive;
}

bool GLBWriter::add(std::int64_t structureIndex)
{
    const auto& record = pack_.structures()[static_cast<std::size_t>(structureIndex)];
    const int level = record.resolvedLOD(options_.lod);
    const std::uint32_t count = record.lodIndexCount(level);
    if (count < 3)
        return true; // nothing to draw at this level: left out, not an error
    if (!reindex(record, record.lodIndexStart(level), count))
        return false;

    const std::uint64_t blockBytes
        = local_.positions.size() * sizeof(Float3) * 2 + local_.indices.size() * sizeof(std::uint32_t);
    if (containerOverhead + bin_.size() + blockBytes + 12 > limit_)
        return false;

    const std::size_t firstAccessor = accessors_.size();
    const auto vertexCount = local_.positions.size();
    const auto positionsView = addBufferView(std::as_bytes(std::span(local_.positions)), arrayBufferTarget);
    const auto normalsView = addBufferView(std::as_bytes(std::span(local_.normals)), arrayBufferTarget);
    const auto indicesView
        = addBufferView(std::as_bytes(std::span(local_.indices)), elementArrayBufferTarget);
    accessors_.push_back(
        {{"bufferView", positionsView}, {"componentType", floatComponent}, {"count", vertexCount},
            {"type", "VEC3"}, {"min", vector3(local_.low)}, {"max", vector3(local_.high)}});
    accessors_.push_back({{"bufferView", normalsView}, {"componentType", floatComponent},
        {"count", vertexCount}, {"type", "VEC3"}});
    accessors_.push_back({{"bufferView", indicesView}, {"componentType", unsignedIntComponent},
        {"count", local_.indices.size()}, {"type", "SCALAR"}});

    const auto named = names_.find(structureIndex);
    const std::string name = named != names_.end() ? named->second : pack_.name(structureIndex);
    meshes_.push_back(
        {{"name", name}, {"primitives", Json::array({primitive(firstAccessor, record.system)})}});
    nodes_.push_back({{"name", name}, {"mesh", meshes_.size() - 1},
        {"extras", {{"conceptID", pack_.conceptID(structureIndex)}}}});

    result_.structureCount += 1;
    result_.triangleCount += static_cast<std::int64_t>(local_.indices.size() / 3);
    result_.vertexCount += static_cast<std::int64_t>(vertexCount);
    return true;
}

void GLBWriter::reserve(std::span<const std::int64_t> structures)
{
    const auto records = pack_.structures();
    std::uint64_t bound = 0;
    for (auto index : structures) {
        if (index < 0 || static_cast<std::uint64_t>(index) >= records.size())
            continue;
        const auto& record = records[static_cast<std::size_t>(index)];
        const std::uint64_t count = record.lodIndexCount(record.resolvedLOD(options_.lod));
        bound += count * sizeof(std::uint32_t)
            + std::min<std::uint64_t>(count, record.vertexCount) * 2 * sizeof(Float3) + 12
            + jsonBytesPerStructure;
    }
    bin_.reserve(static_cast<std::size_t>(std::min(bound + containerOverhead + jsonBytesBase, limit_)));
}

void appendLE32(std::vector<std::byte>& data, std::uint32_t value)
{
    const auto at = data.size();
    data.resize(at + 4);
    std::memcpy(data.data() + at, &value, 4);
}

std::optional<Result> GLBWriter::finish()
{
    if (meshes_.empty())
        return std::nullopt;
    align4();

    Json scene = Json::object();
    scene["nodes"] = Json::array();
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        scene["nodes"].push_back(i);
    Json buffer = Json::object();
    buffer["byteLength"] = bin_.size();
    Json document {
        {"asset", {{"version", "2.0"}, {"generator", "Morvena"}}},
        {"scene", 0},
        {"scenes", Json::array({std::move(scene)})},
        {"nodes", std::move(nodes_)},
        {"meshes", std::move(meshes_)},
        {"accessors", std::move(accessors_)},
        {"bufferViews", std::move(bufferViews_)},
        {"buffers", Json::array({std::move(buffer)})},
    };
    if (!materials_.empty())
        document["materials"] = std::move(materials_);

    // Names of a dataset imported before they were repaired may still be no
    // UTF-8: each ill-formed sequence becomes U+FFFD rather than failing the
    // whole export.
    std::string json = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    json.resize((json.size() + 3) / 4 * 4, ' ');

    const std::uint64_t total = containerOverhead + json.size() + bin_.size();
    if (total > limit_ || total > maxFileLength)
        return std::nullopt;

    // Everything before the BIN data goes in front of it, inside the room
    // reserved for it, so the file is never copied to a second buffer.
    std::vector<std::byte> front;
    front.reserve(containerOverhead + json.size());
    appendLE32(front, glbMagic);
    appendLE32(front, glbVersion);
    appendLE32(front, static_cast<std::uint32_t>(total));
    appendLE32(front, static_cast<std::uint32_t>(json.size()));
    appendLE32(front, jsonChunkType);
    const auto jsonBytes = std::as_bytes(std::span(json));
    front.insert(front.end(), jsonBytes.begin(), jsonBytes.end());
    appendLE32(front, static_cast<std::uint32_t>(bin_.size()));
    appendLE32(front, binChunkType);
    bin_.insert(bin_.begin(), front.begin(), front.end());
    result_.data = std::move(bin_);
    return std::move(result_);
}

// Centre of the box around every valid structure's bounds; a NaN bound never
// replaces a number.
Float3 selectionCenter(std::span<const PackStructure> records, std::span<const std::int64_t> selection)
{
    Float3 low {largestFloat, largestFloat, largestFloat};
    Float3 high {-largestFloat, -largestFloat, -largestFloat};
    for (auto index : selection) {
        if (index < 0 || static_cast<std::uint64_t>(index) >= records.size())
            continue;
        const auto& record = records[static_cast<std::size_t>(index)];
        low = {std::min(low.x, record.minX), std::min(low.y, record.minY), std::min(low.z, record.minZ)};
        high = {std::max(high.x, record.maxX), std::max(high.y, record.maxY), std::max(high.z, record.maxZ)};
    }
    return (low + high) * 0.5f;
}

} // namespace

std::optional<Result> exportGLB(const MeshPack& pack, std::span<const std::int64_t> structures,
    const Names& names, const Options& options, std::uint64_t maxLength)
{
    if (structures.empty())
        return std::nullopt;
    const auto records = pack.structures();
    const Float3 center = options.centered ? selectionCenter(records, structures) : Float3 {};
    GLBWriter writer(pack, names, options, center, maxLength);
    writer.reserve(structures);
    for (auto index : structures) {
        if (index < 0 || static_cast<std::uint64_t>(index) >= records.size())
            continue;
        if (!writer.add(index))
            return std::nullopt;
    }
    return writer.finish();
}

} // namespace morvena::GLTFExporter
