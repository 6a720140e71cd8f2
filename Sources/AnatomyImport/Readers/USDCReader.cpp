#include "AnatomyImport/Readers/USDCReader.h"

#include "AnatomyImport/Readers/Internal/CrateCompression.h"
#include "AnatomyImport/Readers/Internal/DecodeBudget.h"
#include "AnatomyImport/Readers/Internal/LittleEndian.h"
#include "AnatomyImport/Readers/Internal/USDMeshData.h"

#include <algorithm>
#include <bit>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace morvena::USDCReader {

namespace {

using Bytes = std::span<const std::uint8_t>;

// Deeper prim nesting than any real layer has; bounds the walk's recursion, as in
// the text reader.
constexpr int maximumPrimDepth = 256;
// What a node of a std::map takes beside its value: its colour and three links.
constexpr std::uint64_t mapNodeBytes = 32;
// "No index": ends a field set, and marks the root path's missing parent.
constexpr std::uint32_t none = 0xFFFFFFFF;

[[noreturn]] void fail(const std::string& detail)
{
    throw Error("USDC non valido: " + detail);
}

// Bootstrap header, 88 bytes at the start of the layer:
//   0 ident "PXR-USDC" | 8 version: major, minor, patch, 5 unused bytes |
//   16 int64 offset of the table of contents | 24 eight reserved int64.
constexpr std::string_view identifier = "PXR-USDC";
constexpr std::size_t headerSize = 88;

struct Version {
    int major = 0;
    int minor = 0;
    int patch = 0;
    auto operator<=>(const Version&) const = default;
};

// The oldest layout read (compressed structural sections) and the newest known.
constexpr Version oldestVersion {0, 4, 0};
constexpr int newestMinorVersion = 14;

// Value type numbers of the format that this reader interprets.
enum class ValueType : std::uint8_t {
    int32 = 3,
    token = 11,
    vector3d = 23,
    vector3f = 24,
    tokenVector = 41,
    specifier = 42,
};

enum class SpecType : std::uint32_t { attribute = 1, prim = 6 };
enum class Specifier : std::uint32_t { def = 0, over = 1, klass = 2 };

// A field's value as stored, 64 bits:
//   63 array | 62 inlined | 61 compressed | 60 array edit | 48..55 type | 0..47 payload
// The payload is the value itself when inlined (an index, an enumerator), else the
// offset of the value's data in the layer.
struct ValueRep {
    std::uint64_t bits = 0;

    bool isArray() const { return (bits >> 63) & 1; }
    bool isInlined() const { return (bits >> 62) & 1; }
    bool isCompressed() const { return (bits >> 61) & 1; }
    bool isArrayEdit() const { return (bits >> 60) & 1; }
    ValueType type() const { return static_cast<ValueType>((bits >> 48) & 0xFF); }
    std::uint64_t payload() const { return bits & ((std::uint64_t {1} << 48) - 1); }
    std::uint32_t inlined() const { return static_cast<std::uint32_t>(payload()); }
    bool holds(ValueType wanted, bool array) const
    {
        return type() == wanted && isArray() == array && !isArrayEdit();
    }
};

// Reads forward through untrusted bytes, checking what remains before each read.
class Cursor {
public:
    Cursor(Bytes bytes, std::uint64_t offset)
        : bytes_(bytes)
        , offset_(offset)
    {
        if (offset > bytes.size())
            fail("posizione oltre la fine del file");
    }

    std::uint64_t remaining() const { return bytes_.size() - offset_; }

    Bytes take(std::uint64_t size)
    {
        if (size > remaining())
            fail("dati troncati");
        const Bytes taken = bytes_.subspan(offset_, size);
        offset_ += size;
        return taken;
    }

    std::uint32_t u32() { return LittleEndian::load32(take(4), 0); }
    std::uint64_t u64() { return LittleEndian::load64(take(8), 0); }

    // A count of items of `width` bytes each that must all lie in what remains.
    std::uint64_t count(std::uint64_t width, bool wide)
    {
        const std::uint64_t n = wide ? u64() : u32();
        if (n > remaining() / width)
            fail("elementi oltre la fine del file");
        return n;
    }

private:
    Bytes bytes_;
    std::uint64_t offset_;
};

float loadFloat(Bytes bytes, std::size_t offset)
{
    return std::bit_cast<float>(LittleEndian::load32(bytes, offset));
}

double loadDouble(Bytes bytes, std::size_t offset)
{
    return std::bit_cast<double>(LittleEndian::load64(bytes, offset));
}

class Layer {
public:
    Layer(Bytes bytes, std::uint64_t leastDecoded)
        : bytes_(bytes)
        , budget_(bytes.size(), leastDecoded)
    {
        readHeader();
        readTokens(section("TOKENS"));
        readFields(section("FIELDS"));
        readFieldSets(section("FIELDSETS"));
        readPaths(section("PATHS"));
        readSpecs(section("SPECS"));
    }

    std::vector<RawMesh> meshes()
    {
        std::vector<RawMesh> result;
        visited_.assign(paths_.size(), false);
        if (specOfPath_[root_] == none)
            fail("radice del livello assente");
        walkChildren(root_, std::string(), true, 0, result);
        return result;
    }

private:
    struct Field {
        std::uint32_t token;
        ValueRep value;
    };

    struct Path {
        std::uint32_t parent = none;
        std::uint32_t token = none; // the element's name; none for the root
        bool isProperty = false;
        bool isSet = false;
    };

    struct Spec {
        std::uint32_t fieldSet;
        std::uint32_t type;
    };

    using ChildKey = std::tuple<std::uint32_t, bool, std::string_view>; // parent, property, name

    // --- Structure. ---

    // Table of contents at the header's offset: uint64 count, then per section a
    // 16-byte NUL-padded name and int64 start and size in the layer.
    void readHeader()
    {
        if (bytes_.size() < headerSize)
            fail("intestazione troncata");
        if (!std::equal(identifier.begin(), identifier.end(), bytes_.begin()))
            fail("intestazione assente");
        version_ = {bytes_[8], bytes_[9], bytes_[10]};
        if (version_ < oldestVersion || version_.major != 0 || version_.minor > newestMinorVersion)
            fail("versione non supportata");
        Cursor toc(bytes_, LittleEndian::load64(bytes_, 16));
        const std::uint64_t count = toc.count(32, true);
        spend(count, mapNodeBytes + sizeof(decltype(sections_)::value_type));
        for (std::uint64_t i = 0; i < count; ++i) {
            const Bytes name = toc.take(16);
            const std::uint64_t start = toc.u64();
            const std::uint64_t size = toc.u64();
            const auto end = std::find(name.begin(), name.end(), 0);
            if (end == name.end() || start > bytes_.size() || size > bytes_.size() - start)
                fail("sezione non valida");
            sections_.emplace(std::string(name.begin(), end), bytes_.subspan(start, size));
        }
    }

    Cursor section(const std::string& name) const
    {
        const auto found = sections_.find(name);
        if (found == sections_.end())
            fail("sezione " + name + " assente");
        return Cursor(found->second, 0);
    }

    // All that one layer may decode: its tables and every array read for a mesh
    // (an array that several prims share counts once per prim).
    void spend(std::uint64_t count, std::uint64_t width)
    {
        if (!budget_.spend(count, width))
            throw Error("file troppo grande da leggere");
    }

    // uint64 compressed size, then the compressed integer coding of `count` values.
    std::vector<std::uint32_t> compressedIntegers(Cursor& cursor, std::uint64_t count)
    {
        const Bytes block = cursor.take(cursor.u64());
        spend(count, 4);
        return CrateCompression::decompressIntegers(block, static_cast<std::size_t>(count));
    }

    // uint64 count, uint64 size of the text, uint64 compressed size, then the
    // compressed text: that many NUL-terminated tokens, nothing after them.
    void readTokens(Cursor cursor)
    {
        const std::uint64_t count = cursor.u64();
        const std::uint64_t size = cursor.u64();
        const Bytes block = cursor.take(cursor.u64());
        spend(size, 1);
        tokenChars_ = CrateCompression::decompress(block, size);
        if (tokenChars_.size() != size || count > size)
            fail("token troncati");
        spend(count, sizeof(std::string_view));
        tokens_.reserve(static_cast<std::size_t>(count));
        const std::string_view chars(reinterpret_cast<const char*>(tokenChars_.data()), tokenChars_.size());
        std::size_t start = 0;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t end = chars.find('\0', start);
            if (end == std::string_view::npos)
                fail("token non terminato");
            tokens_.push_back(chars.substr(start, end - start));
            start = end + 1;
        }
        if (start != chars.size())
            fail("token in eccesso");
    }

    // uint64 count, the compressed token indices of the names, then uint64
    // compressed size and the compressed 64-bit value representations.
    void readFields(Cursor cursor)
    {
        const std::uint64_t count = cursor.u64();
        const auto names = compressedIntegers(cursor, count);
        const Bytes block = cursor.take(cursor.u64());
        spend(count, 8 + sizeof(Field));
        const auto values = CrateCompression::decompress(block, count * 8);
        if (values.size() != count * 8)
            fail("campi troncati");
        fields_.reserve(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] >= tokens_.size())
                fail("nome di campo fuori dalla tabella");
            fields_.push_back({names[i], {LittleEndian::load64(values, 8 * i)}});
        }
    }

    // uint64 count, then the compressed field indices; each set ends with `none`.
    void readFieldSets(Cursor cursor)
    {
        fieldSets_ = compressedIntegers(cursor, cursor.u64());
        for (std::uint32_t field : fieldSets_) {
            if (field != none && field >= fields_.size())
                fail("campo fuori dalla tabella");
        }
        if (!fieldSets_.empty() && fieldSets_.back() != none)
            fail("insieme di campi non terminato");
    }

    // uint64 size of the path table, uint64 count of encoded entries, then three
    // compressed lists over the entries: the path index each one fills, its name
    // (a token index, negated for a property) and its jump.
    void readPaths(Cursor cursor)
    {
        const std::uint64_t tableSize = cursor.u64();
        const std::uint64_t count = cursor.u64();
        const auto targets = compressedIntegers(cursor, count);
        const auto names = compressedIntegers(cursor, count);
        const auto jumps = compressedIntegers(cursor, count);
        // Every path is filled by one entry, so the table is no larger than the
        // entries that were actually decoded.
        if (tableSize > count)
            fail("tabella dei percorsi più grande delle sue voci");
        // A path takes its entry, its place among its parent's children, its record
        // and whether the walk has been there.
        spend(tableSize,
            sizeof(Path) + mapNodeBytes + sizeof(decltype(children_)::value_type) + sizeof(std::uint32_t)
                + 1);
        spend(count, sizeof(std::pair<std::size_t, std::uint32_t>)); // the walk's pending siblings, at most
        paths_.resize(static_cast<std::size_t>(tableSize));
        buildPaths(targets, names, jumps);
        for (std::size_t p = 0; p < paths_.size(); ++p) {
            if (paths_[p].isSet && paths_[p].parent != none)
                children_.emplace(ChildKey {paths_[p].parent, paths_[p].isProperty, tokens_[paths_[p].token]},
                    static_cast<std::uint32_t>(p));
        }
    }

    // The entries list a tree depth first. An entry's jump says what follows it:
    // -2 nothing (a leaf, last of its siblings), -1 its first child only, 0 its
    // next sibling only, N > 0 its first child next and its next sibling N entries
    // on. The first entry is the root. Each path is filled once, so the walk ends
    // after at most one step per entry whatever the jumps say.
    void buildPaths(const std::vector<std::uint32_t>& targets, const std::vector<std::uint32_t>& names,
        const std::vector<std::uint32_t>& jumps)
    {
        if (targets.empty())
            fail("nessun percorso");
        std::vector<std::pair<std::size_t, std::uint32_t>> pending {{0, none}}; // entry, parent path
        while (!pending.empty()) {
            auto [entry, parent] = pending.back();
            pending.pop_back();
            for (;; ++entry) {
                if (entry >= targets.size())
                    fail("percorsi danneggiati");
                const std::uint32_t target = targets[entry];
                if (target >= paths_.size() || paths_[target].isSet)
                    fail("indice di percorso non valido");
                Path& path = paths_[target];
                path.isSet = true;
                if (parent == none) {
                    root_ = target;
                    parent = target; // the root's siblings, if any, hang below it
                } else {
                    const auto name = static_cast<std::int32_t>(names[entry]);
                    const std::uint64_t token = name < 0 ? -static_cast<std::int64_t>(name) : name;
                    if (token >= tokens_.size())
                        fail("nome di percorso fuori dalla tabella");
                    path = {parent, static_cast<std::uint32_t>(token), name < 0, true};
                }
                const auto jump = static_cast<std::int32_t>(jumps[entry]);
                const bool hasChild = jump > 0 || jump == -1;
                const bool hasSibling = jump >= 0;
                if (hasChild && hasSibling)
                    pending.emplace_back(entry + static_cast<std::size_t>(jump), parent);
                if (hasChild)
                    parent = target;
                else if (!hasSibling)
                    break;
            }
        }
    }

    // uint64 count, then three compressed lists over the layer's records: path
    // index, field set index and record type.
    void readSpecs(Cursor cursor)
    {
        const std::uint64_t count = cursor.u64();
        const auto pathIndices = compressedIntegers(cursor, count);
        const auto fieldSets = compressedIntegers(cursor, count);
        const auto types = compressedIntegers(cursor, count);
        spend(count, sizeof(Spec));
        specOfPath_.assign(paths_.size(), none);
        specs_.reserve(pathIndices.size());
        for (std::size_t s = 0; s < pathIndices.size(); ++s) {
            const std::uint32_t path = pathIndices[s];
            const std::uint32_t fieldSet = fieldSets[s];
            if (path >= paths_.size() || !paths_[path].isSet || specOfPath_[path] != none)
                fail("percorso di una specifica non valido");
            if (fieldSet >= fieldSets_.size() || (fieldSet > 0 && fieldSets_[fieldSet - 1] != none))
                fail("insieme di campi di una specifica non valido");
            specOfPath_[path] = static_cast<std::uint32_t>(s);
            specs_.push_back({fieldSet, types[s]});
        }
    }

    // --- Values. ---

    // The record's field of that name; the field set ends with `none`, which
    // readFieldSets made sure of.
    std::optional<ValueRep> field(std::uint32_t spec, std::string_view name) const
    {
        for (std::size_t i = specs_[spec].fieldSet; fieldSets_[i] != none; ++i) {
            const Field& field = fields_[fieldSets_[i]];
            if (tokens_[field.token] == name)
                return field.value;
        }
        return std::nullopt;
    }

    std::string_view token(std::optional<ValueRep> value) const
    {
        if (!value || !value->holds(ValueType::token, false))
            return {};
        if (value->inlined() >= tokens_.size())
            fail("token fuori dalla tabella");
        return tokens_[value->inlined()];
    }

    std::optional<Specifier> specifier(std::optional<ValueRep> value) const
    {
        if (!value || !value->holds(ValueType::specifier, false))
            return std::nullopt;
        return static_cast<Specifier>(value->inlined());
    }

    // uint64 count, then that many uint32 token indices.
    std::vector<std::string_view> tokenVector(std::optional<ValueRep> value)
    {
        if (!value || !value->holds(ValueType::tokenVector, false) || value->isInlined())
            return {};
        Cursor cursor(bytes_, value->payload());
        const std::uint64_t count = cursor.count(4, true);
        spend(count, sizeof(std::string_view));
        std::vector<std::string_view> result;
        result.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint32_t index = cursor.u32();
            if (index >= tokens_.size())
                fail("token fuori dalla tabella");
            result.push_back(tokens_[index]);
        }
        return result;
    }

    // An array's data: before 0.5.0 a uint32 rank first; the element count is a
    // uint32 before 0.7.0 and a uint64 since. Payload 0 is the empty array. The
    // elements of an uncompressed array (`width` bytes each) must all lie in the
    // file; a compressed one (width 0) is bounded where it is decoded.
    std::optional<Cursor> arrayStart(ValueRep value, std::uint64_t width, std::uint64_t& count) const
    {
        count = 0;
        if (value.payload() == 0)
            return std::nullopt;
        Cursor cursor(bytes_, value.payload());
        if (version_ < Version {0, 5, 0})
            cursor.u32();
        const bool wide = version_ >= Version {0, 7, 0};
        count = width > 0 ? cursor.count(width, wide) : wide ? cursor.u64() : cursor.u32();
        return cursor;
    }

    std::vector<Float3> vectors(std::optional<ValueRep> value)
    {
        const bool isFloat = value && value->holds(ValueType::vector3f, true);
        const bool isDouble = value && value->holds(ValueType::vector3d, true);
        if ((!isFloat && !isDouble) || value->isCompressed())
            return {};
        const std::uint64_t width = isFloat ? 12 : 24;
        std::uint64_t count = 0;
        auto cursor = arrayStart(*value, width, count);
        if (!cursor)
            return {};
        spend(count, sizeof(Float3));
        const Bytes data = cursor->take(count * width);
        std::vector<Float3> result(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < result.size(); ++i) {
            const auto component = [&](std::size_t k) {
                return isFloat ? loadFloat(data, 12 * i + 4 * k)
                               : static_cast<float>(loadDouble(data, 24 * i + 8 * k));
            };
            result[i] = {component(0), component(1), component(2)};
        }
        return result;
    }

    // Since 0.5.0 int arrays of 16 or more elements are stored with the integer
    // coding and marked compressed.
    std::vector<std::int64_t> integers(std::optional<ValueRep> value)
    {
        if (!value || !value->holds(ValueType::int32, true))
            return {};
        const bool compressed = value->isCompressed() && version_ >= Version {0, 5, 0};
        std::uint64_t count = 0;
        auto cursor = arrayStart(*value, compressed ? 0 : 4, count);
        if (!cursor)
            return {};
        std::vector<std::uint32_t> raw;
        if (compressed) {
            raw = compressedIntegers(*cursor, count);
        } else {
            spend(count, 4);
            const Bytes data = cursor->take(count * 4);
            raw.resize(static_cast<std::size_t>(count));
            for (std::size_t i = 0; i < raw.size(); ++i)
                raw[i] = LittleEndian::load32(data, 4 * i);
        }
        spend(count, sizeof(std::int64_t));
        std::vector<std::int64_t> result(raw.size());
        std::transform(raw.begin(), raw.end(), result.begin(),
            [](std::uint32_t bits) { return static_cast<std::int32_t>(bits); });
        return result;
    }

    // --- Prims. ---

    std::optional<std::uint32_t> child(std::uint32_t parent, bool isProperty, std::string_view name) const
    {
        const auto found = children_.find(ChildKey {parent, isProperty, name});
        if (found == children_.end() || specOfPath_[found->second] == none)
            return std::nullopt;
        return specOfPath_[found->second];
    }

    std::optional<ValueRep> attributeField(
        std::uint32_t prim, std::string_view name, std::string_view fieldName)
    {
        const auto spec = child(prim, true, name);
        if (!spec || specs_[*spec].type != static_cast<std::uint32_t>(SpecType::attribute))
            return std::nullopt;
        return field(*spec, fieldName);
    }

    USDMeshData meshData(std::uint32_t prim)
    {
        USDMeshData data;
        data.points = vectors(attributeField(prim, "points", "default"));
        data.faceVertexCounts = integers(attributeField(prim, "faceVertexCounts", "default"));
        data.faceVertexIndices = integers(attributeField(prim, "faceVertexIndices", "default"));
        spend(data.faceVertexIndices.size(), 3 * sizeof(std::uint32_t)); // the fans' triangles, at most
        spend(data.points.size(), sizeof(Float3)); // normals generated for them
        data.normals = vectors(attributeField(prim, "normals", "default"));
        data.normalsInterpolation = token(attributeField(prim, "normals", "interpolation"));
        data.primvarNormals = vectors(attributeField(prim, "primvars:normals", "default"));
        data.primvarNormalsInterpolation = token(attributeField(prim, "primvars:normals", "interpolation"));
        return data;
    }

    // The children in their authored order ("primChildren"); a name without a
    // prim record, or met twice, is skipped.
    void walkChildren(
        std::uint32_t path, const std::string& name, bool defined, int depth, std::vector<RawMesh>& into)
    {
        for (std::string_view childName : tokenVector(field(specOfPath_[path], "primChildren"))) {
            const auto found = children_.find(ChildKey {path, false, childName});
            if (found == children_.end() || visited_[found->second])
                continue;
            visited_[found->second] = true;
            const std::uint32_t spec = specOfPath_[found->second];
            if (spec != none && specs_[spec].type == static_cast<std::uint32_t>(SpecType::prim))
                walkPrim(
                    found->second, childName.empty() ? name : std::string(childName), defined, depth, into);
        }
    }

    void walkPrim(std::uint32_t path, const std::string& name, bool parentDefined, int depth,
        std::vector<RawMesh>& into)
    {
        if (depth >= maximumPrimDepth)
            fail("prim annidati troppo in profondità");
        const std::uint32_t spec = specOfPath_[path];
        const bool defined = parentDefined && specifier(field(spec, "specifier")) == Specifier::def;
        if (defined && token(field(spec, "typeName")) == "Mesh") {
            if (auto mesh = meshData(path).toRawMesh(name))
                into.push_back(std::move(*mesh));
        }
        walkChildren(path, name, defined, depth + 1, into);
    }

    Bytes bytes_;
    Version version_;
    DecodeBudget budget_;
    std::map<std::string, Bytes> sections_;
    std::vector<std::uint8_t> tokenChars_;
    std::vector<std::string_view> tokens_;
    std::vector<Field> fields_;
    std::vector<std::uint32_t> fieldSets_;
    std::vector<Path> paths_;
    std::uint32_t root_ = none;
    std::map<ChildKey, std::uint32_t> children_;
    std::vector<Spec> specs_;
    std::vector<std::uint32_t> specOfPath_;
    std::vector<bool> visited_;
};

} // namespace

std::vector<RawMesh> read(std::span<const std::uint8_t> bytes, std::uint64_t leastDecoded)
{
    try {
        return Layer(bytes, leastDecoded).meshes();
    } catch (const CrateCompression::Error& error) {
        fail(error.what());
    }
}

} // namespace morvena::USDCReader
