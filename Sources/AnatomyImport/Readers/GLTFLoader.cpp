#include "AnatomyImport/Readers/GLTFLoader.h"

#include "AnatomyCore/Support/JSONNesting.h"
#include "AnatomyCore/Support/SystemText.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Internal/ParallelWork.h"
#include "AnatomyImport/Readers/Internal/LittleEndian.h"
#include "AnatomyImport/Readers/Internal/SourceFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace morvena::GLTFLoader {

namespace {

using nlohmann::json;
using Bytes = std::span<const std::uint8_t>;
// Column-major 4x4, as glTF stores node matrices.
using Matrix = std::array<float, 16>;

constexpr Matrix identity {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// GLB layout (little-endian): 12-byte header "glTF", version, total length (only
// the magic is examined); then chunks of length L, type, L bytes of data, padded
// to a multiple of 4.
constexpr std::uint32_t chunkJSON = 0x4E4F534A;
constexpr std::uint32_t chunkBIN = 0x004E4942;
constexpr std::uint32_t componentFloat = 5126;
constexpr std::uint32_t componentUnsignedByte = 5121;
constexpr std::uint32_t componentUnsignedShort = 5123;
constexpr std::uint32_t componentUnsignedInt = 5125;
constexpr std::int64_t modeTriangles = 4;

// Node visits allowed in one load: far beyond any real hierarchy, small enough
// that shared children that double at every level cannot run away.
constexpr std::size_t visitBudget = 1 << 20;
// A mesh that many nodes share is emitted once per node. The positions one load
// may emit are bounded by this many copies of all its buffer data read as
// positions (12 bytes each), plus a floor, however the hierarchy is built.
constexpr std::uint64_t emittedCopiesOfBufferData = 16;
constexpr std::uint64_t emittedPositionsFloor = 1 << 20;
// Assets with this much buffer data build their meshes on all cores; smaller
// ones are read on the calling thread, as an import reads many files at once.
constexpr std::uint64_t parallelBufferBytes = 8 << 20;
constexpr std::size_t parallelBatch = 256;

float loadFloat(Bytes bytes, std::uint64_t offset)
{
    const std::uint32_t bits = LittleEndian::load32(bytes, offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// --- Members of the JSON tree. A member of another type counts as absent. ---

const json* member(const json& object, const char* key)
{
    if (!object.is_object())
        return nullptr;
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::int64_t> integer(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || !value->is_number_integer())
        return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto unsignedValue = value->get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(INT64_MAX))
            return std::nullopt;
        return static_cast<std::int64_t>(unsignedValue);
    }
    return value->get<std::int64_t>();
}

const json& array(const json& object, const char* key)
{
    static const json empty = json::array();
    const json* value = member(object, key);
    return value && value->is_array() ? *value : empty;
}

// The element at a (possibly negative or too large) index of an array, or nothing.
const json* element(const json& list, std::optional<std::int64_t> index)
{
    if (!index || *index < 0 || static_cast<std::uint64_t>(*index) >= list.size())
        return nullptr;
    return &list[static_cast<std::size_t>(*index)];
}

std::string string(const json& object, const char* key)
{
    const json* value = member(object, key);
    return value && value->is_string() ? value->get<std::string>() : std::string();
}

// Exactly `count` numbers, or nothing.
template <std::size_t count>
std::optional<std::array<float, count>> numbers(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || !value->is_array() || value->size() != count)
        return std::nullopt;
    std::array<float, count> result;
    for (std::size_t i = 0; i < count; ++i) {
        if (!(*value)[i].is_number())
            return std::nullopt;
        result[i] = static_cast<float>((*value)[i].get<double>());
    }
    return result;
}

// --- Buffer sources. ---

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text)
{
    static constexpr std::string_view alphabet
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (std::size_t i = 0; i < text.size() - padding; ++i) {
        const auto value = alphabet.find(text[i]);
        if (value == std::string_view::npos)
            return std::nullopt;
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            bytes.insert(
                bytes.end(), {std::uint8_t(bits >> 16), std::uint8_t(bits >> 8), std::uint8_t(bits)});
            bits = 0;
            count = 0;
        }
    }
    if (count == 2)
        bytes.push_back(std::uint8_t(bits >> 4));
    else if (count == 3)
        bytes.insert(bytes.end(), {std::uint8_t(bits >> 10), std::uint8_t(bits >> 2)});
    return bytes;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%XX" escapes decoded; the text unchanged when an escape is malformed or the
// result is not UTF-8.
std::string percentDecoded(const std::string& text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size() || hexValue(text[i + 1]) < 0 || hexValue(text[i + 2]) < 0)
            return text;
        decoded.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
        i += 2;
    }
    return UnicodeText::isValidUTF8(decoded) ? decoded : text;
}

// A relative path that stays inside the asset's folder: no scheme, not absolute,
// no ".." component.
bool staysInFolder(const std::string& path)
{
    const auto colon = path.find(':');
    const auto slash = path.find('/');
    if (colon != std::string::npos && (slash == std::string::npos || colon < slash) && colon > 0
        && std::isalpha(static_cast<unsigned char>(path[0])))
        return false;
    const std::filesystem::path relative(path);
    if (relative.is_absolute() || path.starts_with('/'))
        return false;
    for (const auto& component : relative) {
        if (component == "..")
            return false;
    }
    return true;
}

Failure unreadable(const std::string& path, std::string_view reason)
{
    return Failure(Failure::Kind::unreadable, path + " (" + std::string(reason) + ")");
}

// --- The asset. ---

class Asset {
public:
    Asset(const std::filesystem::path& path, ByteBudget* budget)
        : folder_(path.parent_path())
        , seams_ {budget, {}}
    {
        readContainer(fileBytes(path));
        loadBuffers();
        const auto bufferBytes = totalBufferBytes();
        positionBudget_ = emittedPositionsFloor + bufferBytes / 12 * emittedCopiesOfBufferData;
        parallel_ = bufferBytes >= parallelBufferBytes;
    }

    std::vector<RawMesh> meshes()
    {
        const json& scenes = array(root_, "scenes");
        const json& nodes = array(root_, "nodes");
        const json* scene = element(scenes, integer(root_, "scene").value_or(0));
        if (const json* sceneNodes = scene ? member(*scene, "nodes") : nullptr;
            sceneNodes && sceneNodes->is_array()) {
            for (const json& node : *sceneNodes)
                walk(node.is_number_integer() ? std::optional(node.get<std::int64_t>()) : std::nullopt);
        } else if (nodes.empty()) {
            const std::size_t meshCount = array(root_, "meshes").size();
            for (std::size_t mesh = 0; mesh < meshCount; ++mesh)
                emit(static_cast<std::int64_t>(mesh), std::string(), identity);
        } else {
            for (std::size_t node = 0; node < nodes.size(); ++node)
                walk(static_cast<std::int64_t>(node));
        }
        build();
        // Primitives that drop themselves go unmentioned while others load; an
        // asset left without any says why its first one went.
        if (result_.empty() && !firstDropped_.empty())
            throw Failure(Failure::Kind::badJSON, firstDropped_);
        return std::move(result_);
    }

private:
    void readContainer(Bytes bytes)
    {
        if (bytes.size() >= 12 && std::memcmp(bytes.data(), "glTF", 4) == 0) {
            readGLB(bytes);
            return;
        }
        parseDocument(bytes);
        if (!root_.is_object())
            throw Failure(Failure::Kind::badJSON, "radice non valida");
    }

    void parseDocument(Bytes bytes)
    {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (JSONNesting::exceeds(text, JSONNesting::glTFLimit))
            throw Failure(Failure::Kind::badJSON,
                "annidato oltre " + std::to_string(JSONNesting::glTFLimit) + " livelli");
        root_ = json::parse(text, nullptr, false);
    }

    void readGLB(Bytes bytes)
    {
        std::optional<Bytes> jsonChunk;
        std::uint64_t offset = 12;
        while (bytes.size() - offset >= 8) {
            const std::uint64_t length = LittleEndian::load32(bytes, offset);
            const std::uint32_t type = LittleEndian::load32(bytes, offset + 4);
            if (length > bytes.size() - offset - 8)
                throw Failure(Failure::Kind::badGLB, "chunk fuori dai limiti");
            const Bytes data = bytes.subspan(offset + 8, length);
            if (type == chunkJSON)
                jsonChunk = data;
            else if (type == chunkBIN)
                binChunk_ = data;
            const std::uint64_t next = offset + 8 + length + (4 - length % 4) % 4;
            if (next > bytes.size())
                break;
            offset = next;
        }
        if (jsonChunk)
            parseDocument(*jsonChunk);
        if (!root_.is_object())
            throw Failure(Failure::Kind::badGLB, "chunk JSON assente");
    }

    // A buffer that no view uses stays empty in its place: nothing reads it, and
    // a source it lacks fails nothing.
    void loadBuffers()
    {
        const json& buffers = array(root_, "buffers");
        const auto used = usedBuffers(buffers.size());
        buffers_.resize(buffers.size());
        for (std::size_t i = 0; i < buffers.size(); ++i)
            if (used[i])
                buffers_[i] = declaredPart(source(buffers[i], i), buffers[i], i);
    }

    std::vector<bool> usedBuffers(std::size_t count) const
    {
        std::vector<bool> used(count, false);
        for (const json& view : array(root_, "bufferViews"))
            if (const auto index = integer(view, "buffer");
                index && *index >= 0 && static_cast<std::uint64_t>(*index) < count)
                used[static_cast<std::size_t>(*index)] = true;
        return used;
    }

    Bytes source(const json& buffer, std::size_t index)
    {
        if (const json* uri = member(buffer, "uri"); uri && uri->is_string())
            return loadBuffer(uri->get_ref<const std::string&>());
        if (index == 0 && binChunk_)
            return *binChunk_;
        throw Failure(
            Failure::Kind::badJSON, "buffer " + std::to_string(index) + " senza uri e senza chunk BIN");
    }

    // The buffer's first byteLength bytes: nothing past the length it declares
    // is read, and a source shorter than that is damaged. Without a length the
    // whole source is the buffer.
    static Bytes declaredPart(Bytes source, const json& buffer, std::size_t index)
    {
        const auto length = integer(buffer, "byteLength");
        if (!length || *length < 0)
            return source;
        if (static_cast<std::uint64_t>(*length) > source.size())
            throw Failure(
                Failure::Kind::badJSON, "buffer " + std::to_string(index) + " più corto della sua lunghezza");
        return source.first(static_cast<std::size_t>(*length));
    }

    Bytes loadBuffer(const std::string& uri)
    {
        if (uri.starts_with("data:")) {
            const auto comma = uri.find(',');
            auto decoded = comma == std::string::npos ? std::nullopt
                                                      : decodeBase64(std::string_view(uri).substr(comma + 1));
            if (!decoded)
                throw Failure(Failure::Kind::badJSON, "data URI non decodificabile");
            return decoded_.emplace_back(std::move(*decoded));
        }
        const std::string relative = percentDecoded(uri);
        if (!staysInFolder(relative))
            throw unreadable(relative, "un buffer si legge solo dalla cartella del file glTF");
        return fileBytes(folder_ / relative);
    }

    // A file that the asset or several buffers name, by any path, is read
    // once. It is told by the descriptor it is read from, so that a file
    // replaced meanwhile is never taken for the one read already.
    Bytes fileBytes(const std::filesystem::path& path)
    {
        try {
            const auto file = SourceFile::open(path);
            struct stat info { };
            if (::fstat(file.get(), &info) != 0)
                throw unreadable(path.string(), SystemText::reason(errno));
            auto& source = files_[{info.st_dev, info.st_ino}];
            if (!source)
                source = std::make_unique<SourceFile>(file, seams_);
            return source->bytes();
        } catch (const SourceFile::Refused& refusal) {
            throw unreadable(path.string(), refusal.what());
        }
    }

    // Where an accessor's elements lie: `count` elements of `elementSize` bytes,
    // `stride` apart from `start`, all checked against the view and the buffer.
    struct Layout {
        Bytes buffer;
        std::uint64_t start = 0;
        std::uint64_t count = 0;
        std::uint64_t stride = 0;
    };

    // Nothing when a lookup fails, a number is negative, the stride is shorter
    // than an element or any element would reach past its view or buffer.
    std::optional<Layout> layout(const json& accessor, std::uint64_t elementSize) const
    {
        const auto count = integer(accessor, "count");
        const json* view = element(array(root_, "bufferViews"), integer(accessor, "bufferView"));
        if (!count || !view)
            return std::nullopt;
        const auto bufferIndex = integer(*view, "buffer");
        if (!bufferIndex || *bufferIndex < 0 || static_cast<std::uint64_t>(*bufferIndex) >= buffers_.size())
            return std::nullopt;
        const Bytes buffer = buffers_[static_cast<std::size_t>(*bufferIndex)];
        const std::int64_t viewOffset = integer(*view, "byteOffset").value_or(0);
        const std::int64_t accessorOffset = integer(accessor, "byteOffset").value_or(0);
        const std::int64_t stride
            = integer(*view, "byteStride").value_or(static_cast<std::int64_t>(elementSize));
        const auto viewLength = integer(*view, "byteLength");
        if (*count < 0 || viewOffset < 0 || accessorOffset < 0
            || stride < static_cast<std::int64_t>(elementSize) || (viewLength && *viewLength < 0))
            return std::nullopt;

        // The view must lie in the buffer; without a declared length it reaches
        // to the buffer's end.
        const std::uint64_t viewStart = static_cast<std::uint64_t>(viewOffset);
        if (viewStart > buffer.size())
            return std::nullopt;
        std::uint64_t viewEnd = buffer.size();
        if (viewLength) {
            if (static_cast<std::uint64_t>(*viewLength) > buffer.size() - viewStart)
                return std::nullopt;
            viewEnd = viewStart + static_cast<std::uint64_t>(*viewLength);
        }
        Layout result {buffer, viewStart + static_cast<std::uint64_t>(accessorOffset),
            static_cast<std::uint64_t>(*count), static_cast<std::uint64_t>(stride)};
        if (result.count == 0)
            return result.start <= viewEnd ? std::optional(result) : std::nullopt;
        std::uint64_t span = 0;
        if (__builtin_mul_overflow(result.count - 1, result.stride, &span)
            || __builtin_add_overflow(span, elementSize, &span)
            || __builtin_add_overflow(span, result.start, &span) || span > viewEnd)
            return std::nullopt;
        return result;
    }

    const json* accessor(std::int64_t index) const { return element(array(root_, "accessors"), index); }

    std::optional<std::vector<float>> accessorFloats(std::int64_t index, std::uint64_t components) const
    {
        const json* found = accessor(index);
        if (!found)
            return std::nullopt;
        if (auto type = integer(*found, "componentType"); type && *type != componentFloat)
            return std::nullopt;
        const auto where = layout(*found, components * 4);
        if (!where)
            return std::nullopt;
        std::vector<float> values;
        values.reserve(where->count * components);
        for (std::uint64_t e = 0; e < where->count; ++e) {
            for (std::uint64_t k = 0; k < components; ++k)
                values.push_back(loadFloat(where->buffer, where->start + e * where->stride + k * 4));
        }
        return values;
    }

    std::optional<std::vector<std::uint32_t>> accessorIndices(std::int64_t index) const
    {
        const json* found = accessor(index);
        if (!found)
            return std::nullopt;
        const auto type = integer(*found, "componentType").value_or(componentUnsignedInt);
        const std::uint64_t size = type == componentUnsignedByte ? 1 : type == componentUnsignedShort ? 2 : 4;
        const auto where = layout(*found, size);
        if (!where)
            return std::nullopt;
        std::vector<std::uint32_t> values;
        values.reserve(where->count);
        for (std::uint64_t e = 0; e < where->count; ++e) {
            const std::uint64_t at = where->start + e * where->stride;
            values.push_back(size == 1 ? where->buffer[at]
                    : size == 2        ? LittleEndian::load16(where->buffer, at)
                                       : LittleEndian::load32(where->buffer, at));
        }
        return values;
    }

    static Matrix multiply(const Matrix& a, const Matrix& b)
    {
        Matrix product {};
        for (int column = 0; column < 4; ++column) {
            for (int row = 0; row < 4; ++row) {
                float sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += a[k * 4 + row] * b[column * 4 + k];
                product[column * 4 + row] = sum;
            }
        }
        return product;
    }

    // T * R * S, or the node's own matrix when it gives all sixteen numbers.
    static Matrix localMatrix(const json& node)
    {
        if (auto matrix = numbers<16>(node, "matrix"))
            return *matrix;
        Matrix m = identity;
        if (auto q = numbers<4>(node, "rotation")) {
            const float x = (*q)[0], y = (*q)[1], z = (*q)[2], w = (*q)[3];
            m = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0, 2 * (x * y - z * w),
                1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0, 2 * (x * z + y * w), 2 * (y * z - x * w),
                1 - 2 * (x * x + y * y), 0, 0, 0, 0, 1};
        }
        if (auto s = numbers<3>(node, "scale")) {
            for (int column = 0; column < 3; ++column) {
                for (int row = 0; row < 4; ++row)
                    m[column * 4 + row] *= (*s)[column];
            }
        }
        if (auto t = numbers<3>(node, "translation"))
            m[12] = (*t)[0], m[13] = (*t)[1], m[14] = (*t)[2], m[15] = 1;
        return m;
    }

    struct Frame {
        std::size_t node;
        Matrix world;
        std::string name;
        std::size_t nextChild = 0;
    };

    // Depth first, parent before children, without recursion: a node already on
    // the current path is not entered again, and the whole load stops after the
    // visit budget, so cycles end and shared children cannot explode.
    void walk(std::optional<std::int64_t> rootIndex)
    {
        const json& nodes = array(root_, "nodes");
        if (!element(nodes, rootIndex))
            return;
        onPath_.resize(nodes.size(), false);
        std::vector<Frame> stack;
        enter(stack, static_cast<std::size_t>(*rootIndex), identity, std::string());
        while (!stack.empty()) {
            Frame& top = stack.back();
            const json& children = array(nodes[top.node], "children");
            if (top.nextChild >= children.size()) {
                onPath_[top.node] = false;
                stack.pop_back();
                continue;
            }
            const json& child = children[top.nextChild++];
            const auto index
                = child.is_number_integer() ? std::optional(child.get<std::int64_t>()) : std::nullopt;
            if (!element(nodes, index) || onPath_[static_cast<std::size_t>(*index)])
                continue;
            const Matrix world = top.world;
            const std::string name = top.name;
            enter(stack, static_cast<std::size_t>(*index), world, name);
        }
    }

    void enter(
        std::vector<Frame>& stack, std::size_t index, const Matrix& parent, const std::string& inherited)
    {
        if (visits_ >= visitBudget)
            return;
        ++visits_;
        const json& node = array(root_, "nodes")[index];
        Frame frame {index, multiply(parent, localMatrix(node)), string(node, "name")};
        if (frame.name.empty())
            frame.name = inherited;
        if (auto mesh = integer(node, "mesh"))
            emit(*mesh, frame.name, frame.world);
        onPath_[index] = true;
        stack.push_back(std::move(frame));
    }

    // A mesh to emit, in the order the nodes are visited.
    struct Emission {
        std::int64_t mesh;
        std::string name;
        Matrix world;
    };

    // Large assets build their meshes on all cores, a batch at a time, so that
    // a mesh shared by many nodes is never built far beyond the position budget.
    void emit(std::int64_t meshIndex, const std::string& name, const Matrix& world)
    {
        if (!parallel_) {
            keep(meshOf({meshIndex, name, world}));
            return;
        }
        emissions_.push_back({meshIndex, name, world});
        if (emissions_.size() >= parallelBatch)
            build();
    }

    // Builds the pending emissions and keeps them in order.
    void build()
    {
        std::vector<RawMesh> built(emissions_.size());
        ParallelWork::forEach(
            built.size(), [&](std::size_t i) { built[i] = meshOf(emissions_[i]); }, built.size(),
            [](std::size_t) {});
        emissions_.clear();
        for (auto& mesh : built)
            keep(std::move(mesh));
    }

    // A mesh with a triangle is kept while the position budget lasts.
    void keep(RawMesh mesh)
    {
        if (mesh.positions.empty() || mesh.indices.size() < 3 || mesh.positions.size() > positionBudget_)
            return;
        positionBudget_ -= mesh.positions.size();
        result_.push_back(std::move(mesh));
    }

    // Buffers cut from one source count its bytes once.
    std::uint64_t totalBufferBytes() const
    {
        std::map<const std::uint8_t*, std::uint64_t> longestFromSource;
        for (Bytes buffer : buffers_)
            if (!buffer.empty())
                longestFromSource[buffer.data()]
                    = std::max<std::uint64_t>(longestFromSource[buffer.data()], buffer.size());
        std::uint64_t bytes = 0;
        for (const auto& [source, length] : longestFromSource)
            bytes += length;
        return bytes;
    }

    RawMesh meshOf(const Emission& emission) const
    {
        const json* mesh = element(array(root_, "meshes"), emission.mesh);
        if (!mesh)
            return {};
        RawMesh combined {emission.name.empty() ? string(*mesh, "name") : emission.name, {}, {}, {}};
        for (const json& primitive : array(*mesh, "primitives")) {
            if (auto part = readPrimitive(primitive, emission.world))
                combined.append(*part);
        }
        return combined;
    }

    std::optional<RawMesh> readPrimitive(const json& primitive, const Matrix& world) const
    {
        const json* attributes = member(primitive, "attributes");
        const auto position = attributes ? integer(*attributes, "POSITION") : std::nullopt;
        if (integer(primitive, "mode").value_or(modeTriangles) != modeTriangles || !attributes || !position)
            return std::nullopt;
        const auto coordinates = accessorFloats(*position, 3);
        if (!coordinates)
            noteDropped(*position);
        if (!coordinates || coordinates->empty())
            return std::nullopt;

        RawMesh part;
        const std::size_t vertexCount = coordinates->size() / 3;
        part.positions.reserve(vertexCount);
        for (std::size_t v = 0; v < vertexCount; ++v) {
            const float* p = &(*coordinates)[v * 3];
            part.positions.push_back({world[0] * p[0] + world[4] * p[1] + world[8] * p[2] + world[12],
                world[1] * p[0] + world[5] * p[1] + world[9] * p[2] + world[13],
                world[2] * p[0] + world[6] * p[1] + world[10] * p[2] + world[14]});
        }
        if (auto normal = integer(*attributes, "NORMAL")) {
            if (auto values = accessorFloats(*normal, 3); values && values->size() == coordinates->size())
                part.normals = transformedNormals(*values, world);
        }
        if (auto indices = integer(primitive, "indices")) {
            auto read = accessorIndices(*indices);
            if (!read) {
                noteDropped(*indices);
                return std::nullopt;
            }
            part.indices = std::move(*read);
        } else {
            part.indices.resize(vertexCount);
            for (std::size_t v = 0; v < vertexCount; ++v)
                part.indices[v] = static_cast<std::uint32_t>(v);
        }
        MeshGeometry::dropInvalidTriangles(part.positions, part.indices);
        return part;
    }

    void noteDropped(std::int64_t accessor) const
    {
        std::lock_guard lock(droppedMutex_);
        if (firstDropped_.empty())
            firstDropped_
                = "accessor " + std::to_string(accessor) + " fuori dai limiti del suo buffer o non valido";
    }

    // The upper-left 3x3 of the world matrix, not its inverse transpose, as the
    // rest of the system expects.
    static std::vector<Float3> transformedNormals(const std::vector<float>& values, const Matrix& world)
    {
        std::vector<Float3> normals;
        normals.reserve(values.size() / 3);
        for (std::size_t v = 0; v + 3 <= values.size(); v += 3) {
            const float* n = &values[v];
            const Float3 t {world[0] * n[0] + world[4] * n[1] + world[8] * n[2],
                world[1] * n[0] + world[5] * n[1] + world[9] * n[2],
                world[2] * n[0] + world[6] * n[1] + world[10] * n[2]};
            const float length = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
            normals.push_back(
                length > 1e-9f ? Float3 {t[0] / length, t[1] / length, t[2] / length} : Float3 {0, 1, 0});
        }
        return normals;
    }

    std::filesystem::path folder_;
    SourceFile::Seams seams_;
    json root_;
    std::optional<Bytes> binChunk_;
    std::vector<Bytes> buffers_;
    std::deque<std::vector<std::uint8_t>> decoded_;
    std::map<std::pair<dev_t, ino_t>, std::unique_ptr<SourceFile>> files_;
    bool parallel_ = false;
    std::vector<Emission> emissions_;
    std::vector<RawMesh> result_;
    std::vector<bool> onPath_;
    std::size_t visits_ = 0;
    mutable std::mutex droppedMutex_; // meshes may be built on several threads
    mutable std::string firstDropped_;
    std::uint64_t positionBudget_ = 0;
};

std::string prefix(Failure::Kind kind)
{
    switch (kind) {
    case Failure::Kind::unreadable:
        return "File glTF non leggibile: ";
    case Failure::Kind::badGLB:
        return "Contenitore GLB non valido: ";
    case Failure::Kind::badJSON:
        return "JSON glTF non valido: ";
    case Failure::Kind::unsupported:
        return "Caratteristica glTF non supportata: ";
    }
    return {};
}

} // namespace

Failure::Failure(Kind kind, std::string detail)
    : std::runtime_error(prefix(kind) + detail)
    , kind_(kind)
    , detail_(std::move(detail))
{
}

std::vector<RawMesh> load(const std::filesystem::path& path)
{
    return Asset(path, nullptr).meshes();
}

std::vector<RawMesh> load(const std::filesystem::path& path, ByteBudget& budget)
{
    return Asset(path, &budget).meshes();
}

} // namespace morvena::GLTFLoader
