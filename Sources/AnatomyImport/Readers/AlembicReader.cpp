#include "AnatomyImport/Readers/AlembicReader.h"

#include "AnatomyImport/Readers/Internal/AlembicMeshData.h"
#include "AnatomyImport/Readers/Internal/DecodeBudget.h"
#include "AnatomyImport/Readers/Internal/LittleEndian.h"
#include "AnatomyImport/Readers/Internal/OgawaFile.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <string>
#include <string_view>

namespace morvena::AlembicReader {

namespace {

using Bytes = std::span<const std::uint8_t>;
using Group = OgawaFile::Group;

// Deeper object nesting than any real archive has; bounds the walk's recursion.
constexpr int maximumObjectDepth = 256;
// The format's own reader refuses a larger table of indexed metadata.
constexpr std::size_t maximumIndexedMetadataBytes = 65536;
// A header names its metadata with one byte, 0xff of which means "inline": the
// table's entries past 254 can never be named.
constexpr std::uint32_t inlineMetadata = 0xff;
// What remembering one opened group takes (a node of OgawaFile's set and its bucket).
constexpr std::uint64_t openedGroupBytes = 64;
// The fewest bytes an object header (a name of one byte) and a property header
// (fields of one byte, an empty name) take in their blocks.
constexpr std::size_t smallestObjectHeader = 6;
constexpr std::size_t smallestPropertyHeader = 5;

constexpr std::string_view hdf5Signature = "\x89HDF\r\n\x1a\n";

[[noreturn]] void damaged(const std::string& detail)
{
    throw Error("Alembic non valido: " + detail);
}

// The root group's children, in order.
enum RootChild : std::uint64_t {
    archiveVersion,
    libraryVersion,
    topObject,
    archiveMetadata,
    timeSamplings,
    indexedMetadata,
    rootChildCount,
};

// The one archive layout that Ogawa files carry.
constexpr std::int32_t supportedArchiveVersion = 0;

enum class Kind { compound, scalar, array };

// Plain data types, as numbered in property headers; Alembic names them
// boolean, uint8, int8, uint16, int16, uint32, int32, uint64, int64, float16,
// float32, float64, string and wstring.
enum class Pod : std::uint8_t { uint32 = 5, int32 = 6, float32 = 10 };
constexpr std::uint8_t podCount = 14;

// "key=value;key=value", as objects and properties carry it.
std::string_view metadataValue(std::string_view metadata, std::string_view key)
{
    while (!metadata.empty()) {
        const std::size_t end = std::min(metadata.find(';'), metadata.size());
        const std::string_view entry = metadata.substr(0, end);
        const std::size_t equals = entry.find('=');
        if (equals != std::string_view::npos && entry.substr(0, equals) == key)
            return entry.substr(equals + 1);
        metadata.remove_prefix(std::min(end + 1, metadata.size()));
    }
    return {};
}

std::string_view text(Bytes bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Reads forward through a header block, checking what remains before each read.
class Cursor {
public:
    explicit Cursor(Bytes bytes)
        : bytes_(bytes)
    {
    }

    bool atEnd() const { return offset_ == bytes_.size(); }

    Bytes take(std::uint64_t size)
    {
        if (size > bytes_.size() - offset_)
            damaged("intestazioni troncate");
        const Bytes taken = bytes_.subspan(offset_, size);
        offset_ += size;
        return taken;
    }

    std::uint8_t u8() { return take(1)[0]; }
    std::uint32_t u32() { return LittleEndian::load32(take(4), 0); }

    // A field of the width that a property header's size hint sets.
    std::uint32_t hinted(std::uint32_t hint)
    {
        switch (hint) {
        case 0:
            return u8();
        case 1:
            return LittleEndian::load16(take(2), 0);
        case 2:
            return u32();
        default:
            damaged("ampiezza dei campi di una proprietà non valida");
        }
    }

private:
    Bytes bytes_;
    std::size_t offset_ = 0;
};

struct ObjectHeader {
    std::string_view name;
    std::string_view metadata;
};

struct PropertyHeader {
    std::string_view name;
    std::string_view metadata;
    Kind kind = Kind::compound;
    std::uint8_t pod = 0;
    std::uint8_t extent = 0;
    std::uint32_t sampleCount = 0;
    std::uint64_t child = 0; // the property's group among its compound's children

    bool holds(Pod wanted, std::uint8_t wantedExtent) const
    {
        return kind == Kind::array && pod == static_cast<std::uint8_t>(wanted) && extent == wantedExtent;
    }
};

// A compound property: its group and the headers of what it holds.
struct Compound {
    Group group;
    std::vector<PropertyHeader> properties;

    const PropertyHeader* find(std::string_view name) const
    {
        const auto found = std::find_if(
            properties.begin(), properties.end(), [&](const PropertyHeader& p) { return p.name == name; });
        return found == properties.end() ? nullptr : &*found;
    }
};

// Why an object gives no mesh, for the reason given when none is left.
class Skipped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string quoted(std::string_view name)
{
    return "«" + std::string(name) + "»";
}

class Archive {
public:
    Archive(Bytes bytes, std::uint64_t leastDecoded)
        : file_(bytes)
        , budget_(bytes.size(), leastDecoded)
    {
    }

    std::vector<RawMesh> meshes()
    {
        spend(1, openedGroupBytes);
        const Group root = file_.root();
        if (root.childCount < rootChildCount || !file_.isData(root, archiveVersion)
            || file_.isData(root, topObject) || !file_.isData(root, indexedMetadata))
            damaged("radice dell'archivio incompleta");
        const Bytes version = file_.data(root, archiveVersion);
        if (version.size() != 4
            || static_cast<std::int32_t>(LittleEndian::load32(version, 0)) != supportedArchiveVersion)
            damaged("versione dell'archivio non supportata");
        readIndexedMetadata(file_.data(root, indexedMetadata));
        walkObject(group(root, topObject), 0);
        if (meshes_.empty() && !firstSkipped_.empty())
            throw Error("nessuna mesh letta: " + firstSkipped_);
        return std::move(meshes_);
    }

private:
    // All that one archive may decode: its headers and every array read for a
    // mesh, with what is built from them. The format stores identical samples once
    // and points to them again; each use counts.
    void spend(std::uint64_t count, std::uint64_t width)
    {
        if (!budget_.spend(count, width))
            throw Error("file troppo grande da leggere");
    }

    Group group(const Group& parent, std::uint64_t index)
    {
        spend(1, openedGroupBytes);
        return file_.group(parent, index);
    }

    // Room for the headers that a block holds: no more than the groups that they
    // name, nor than the block can spell out.
    template <typename Header>
    std::vector<Header> reserved(std::uint64_t groups, std::size_t blockSize, std::size_t smallestHeader)
    {
        const std::uint64_t most = std::min<std::uint64_t>(groups, blockSize / smallestHeader);
        spend(most, sizeof(Header));
        std::vector<Header> headers;
        headers.reserve(static_cast<std::size_t>(most));
        return headers;
    }

    void skip(const std::string& reason)
    {
        if (firstSkipped_.empty())
            firstSkipped_ = reason;
    }

    // --- Headers. ---

    // A uint8 size, then that many bytes, for each entry; entry 0 is the empty
    // metadata and is not stored. Only the entries that a header can name are kept.
    void readIndexedMetadata(Bytes bytes)
    {
        if (bytes.size() > maximumIndexedMetadataBytes)
            damaged("tabella dei metadati oltre " + std::to_string(maximumIndexedMetadataBytes) + " byte");
        indexedMetadata_.assign(1, {});
        indexedMetadata_.reserve(inlineMetadata);
        Cursor cursor(bytes);
        while (!cursor.atEnd()) {
            const std::string_view entry = text(cursor.take(cursor.u8()));
            if (indexedMetadata_.size() < inlineMetadata)
                indexedMetadata_.push_back(entry);
        }
    }

    // An index into the table, or 0xff for metadata stored inline after it.
    std::string_view metadata(std::uint32_t index, Cursor& cursor, std::uint32_t sizeHint)
    {
        if (index == inlineMetadata)
            return text(cursor.take(cursor.hinted(sizeHint)));
        if (index >= indexedMetadata_.size())
            damaged("metadati fuori dalla tabella");
        return indexedMetadata_[index];
    }

    // Per child: uint32 name size, the name, uint8 metadata index (0xff: uint32
    // size and the metadata follow). The block ends with 32 bytes of digests.
    // Each header names one of `childGroups`.
    std::vector<ObjectHeader> objectHeaders(Bytes block, std::uint64_t childGroups)
    {
        constexpr std::size_t digestSize = 32;
        if (block.empty() || block.size() == digestSize)
            return {};
        if (block.size() < digestSize)
            damaged("intestazioni degli oggetti troncate");
        spend(block.size(), 1);
        Cursor cursor(block.first(block.size() - digestSize));
        auto headers = reserved<ObjectHeader>(childGroups, block.size() - digestSize, smallestObjectHeader);
        while (!cursor.atEnd()) {
            if (headers.size() == childGroups)
                damaged("oggetti senza il loro gruppo");
            ObjectHeader header;
            header.name = text(cursor.take(cursor.u32()));
            header.metadata = metadata(cursor.u8(), cursor, 2);
            if (header.name.empty())
                damaged("un oggetto senza nome");
            headers.push_back(header);
        }
        return headers;
    }

    // Per property a uint32 of bit fields:
    //   0-1 kind (0 compound, 1 scalar, 2 array, 3 array of one element a sample)
    //   2-3 width of the fields that follow: 1, 2 or 4 bytes | 4-7 plain data type
    //   8 a time sampling index follows | 9 first and last changed index follow
    //   10 samples of one size | 11 every sample the same | 12-19 extent
    //   20-27 metadata index
    // then, but for compounds, the sample count, the changed indices and the time
    // sampling index where flagged; then the name's size and the name, and the
    // metadata where its index is 0xff. Each header names one of `childGroups`.
    std::vector<PropertyHeader> propertyHeaders(Bytes block, std::uint64_t childGroups)
    {
        spend(block.size(), 1);
        Cursor cursor(block);
        auto headers = reserved<PropertyHeader>(childGroups, block.size(), smallestPropertyHeader);
        while (!cursor.atEnd()) {
            if (headers.size() == childGroups)
                damaged("proprietà senza il loro gruppo");
            const std::uint32_t info = cursor.u32();
            const std::uint32_t hint = (info >> 2) & 3;
            PropertyHeader header;
            const std::uint32_t kind = info & 3;
            header.kind = kind == 0 ? Kind::compound : kind == 1 ? Kind::scalar : Kind::array;
            if (header.kind != Kind::compound) {
                header.pod = static_cast<std::uint8_t>((info >> 4) & 0xf);
                header.extent = static_cast<std::uint8_t>((info >> 12) & 0xff);
                if (header.pod >= podCount)
                    damaged("tipo di dato di una proprietà sconosciuto");
                header.sampleCount = cursor.hinted(hint);
                if (info & 0x200) {
                    cursor.hinted(hint); // first changed index
                    cursor.hinted(hint); // last changed index
                }
                if (info & 0x100)
                    cursor.hinted(hint); // time sampling index: only the first sample is read
            }
            header.name = text(cursor.take(cursor.hinted(hint)));
            header.metadata = metadata((info >> 20) & 0xff, cursor, hint);
            header.child = headers.size();
            headers.push_back(header);
        }
        return headers;
    }

    // A compound's group holds one group per property, then the block of their
    // headers; the empty group holds nothing.
    Compound compound(Group group)
    {
        Compound result {group, {}};
        if (group.childCount == 0)
            return result;
        if (!file_.isData(group, group.childCount - 1))
            damaged("intestazioni delle proprietà assenti");
        result.properties = propertyHeaders(file_.data(group, group.childCount - 1), group.childCount - 1);
        return result;
    }

    // --- Samples. ---

    // The first sample of an array property: its group's children 0 (a 16-byte
    // key, then the values) and 1 (the dimensions as uint64s; none means one).
    // Nothing when the property has no sample.
    std::optional<Bytes> firstSample(
        const Compound& parent, const PropertyHeader& property, std::size_t elementSize)
    {
        if (property.sampleCount == 0)
            return std::nullopt;
        const Group group = this->group(parent.group, property.child);
        if (group.childCount < 2)
            damaged("campione di una proprietà assente");
        const Bytes data = file_.data(group, 0);
        const Bytes dimensions = file_.data(group, 1);
        constexpr std::size_t keySize = 16;
        if (!data.empty() && data.size() < keySize)
            damaged("campione più corto della sua chiave");
        const Bytes values = data.empty() ? data : data.subspan(keySize);
        if (values.size() % elementSize != 0)
            damaged("campione che non si divide in elementi");
        const std::uint64_t count = values.size() / elementSize;
        if (!dimensions.empty() && elementCount(dimensions) != count)
            damaged("dimensioni di un campione diverse dai suoi elementi");
        spend(values.size(), 1);
        return values;
    }

    static std::uint64_t elementCount(Bytes dimensions)
    {
        if (dimensions.size() % 8 != 0)
            damaged("dimensioni di un campione troncate");
        std::uint64_t product = 1;
        for (std::size_t at = 0; at < dimensions.size(); at += 8) {
            const std::uint64_t extent = LittleEndian::load64(dimensions, at);
            if (extent != 0 && product > UINT64_MAX / extent)
                damaged("dimensioni di un campione oltre ogni file");
            product *= extent;
        }
        return product;
    }

    std::vector<Float3> vectors(Bytes values)
    {
        std::vector<Float3> result(values.size() / 12);
        for (std::size_t i = 0; i < result.size(); ++i) {
            for (int k = 0; k < 3; ++k)
                result[i][k] = std::bit_cast<float>(LittleEndian::load32(values, 12 * i + 4 * k));
        }
        return result;
    }

    template <typename Integer> std::vector<Integer> integers(Bytes values)
    {
        std::vector<Integer> result(values.size() / 4);
        for (std::size_t i = 0; i < result.size(); ++i)
            result[i] = static_cast<Integer>(LittleEndian::load32(values, 4 * i));
        return result;
    }

    // The property's first sample as the type asked for; a missing property, or
    // one of another type or kind, skips the mesh.
    Bytes required(
        const Compound& geometry, std::string_view name, Pod pod, std::uint8_t extent, std::string_view mesh)
    {
        const PropertyHeader* property = geometry.find(name);
        if (!property)
            throw Skipped("la mesh " + quoted(mesh) + " non ha " + std::string(name));
        if (!property->holds(pod, extent))
            throw Skipped("la mesh " + quoted(mesh) + " ha " + std::string(name) + " di un tipo non letto");
        auto sample = firstSample(geometry, *property, std::size_t {4} * extent);
        if (!sample)
            throw Skipped("la mesh " + quoted(mesh) + " non ha campioni di " + std::string(name));
        return *sample;
    }

    // --- Normals. ---

    // N: an array, or a compound of values (.vals) and their indices (.indices),
    // whose geoScope says what each value belongs to. Empty where the normals are
    // missing, of another type or of another count than their scope asks for.
    std::vector<Float3> cornerNormals(const Compound& geometry, const AlembicMeshData& mesh)
    {
        const PropertyHeader* normals = geometry.find("N");
        if (!normals)
            return {};
        const std::string_view scope = metadataValue(normals->metadata, "geoScope");
        if (normals->kind != Kind::compound) {
            const auto values
                = normals->holds(Pod::float32, 3) ? firstSample(geometry, *normals, 12) : std::nullopt;
            return values ? byScope(scope, mesh, vectors(*values), nullptr) : std::vector<Float3> {};
        }
        const Compound indexed = compound(group(geometry.group, normals->child));
        const PropertyHeader* vals = indexed.find(".vals");
        const PropertyHeader* at = indexed.find(".indices");
        if (!vals || !at || !vals->holds(Pod::float32, 3) || !at->holds(Pod::uint32, 1))
            return {};
        const auto values = firstSample(indexed, *vals, 12);
        const auto indices = firstSample(indexed, *at, 4);
        if (!values || !indices)
            return {};
        const auto picks = integers<std::uint32_t>(*indices);
        return byScope(scope, mesh, vectors(*values), &picks);
    }

    // Each corner's normal: by its point ("vtx", "var"), by itself ("fvr"), by its
    // face ("uni") or one for all ("con", or no scope). With indices, the scope
    // applies to them and they pick among the values.
    std::vector<Float3> byScope(std::string_view scope, const AlembicMeshData& mesh,
        const std::vector<Float3>& values, const std::vector<std::uint32_t>* indices)
    {
        const std::size_t corners = mesh.faceIndices.size();
        spend(corners, sizeof(std::size_t));
        std::vector<std::size_t> item(corners, 0); // which scoped item each corner takes
        std::size_t items = 1; // one for all
        if (scope == "vtx" || scope == "var") {
            items = mesh.points.size();
            for (std::size_t c = 0; c < corners; ++c)
                item[c] = static_cast<std::size_t>(mesh.faceIndices[c]);
        } else if (scope == "fvr") {
            items = corners;
            for (std::size_t c = 0; c < corners; ++c)
                item[c] = c;
        } else if (scope == "uni") {
            items = mesh.faceCounts.size();
            std::size_t c = 0;
            for (std::size_t face = 0; face < mesh.faceCounts.size(); ++face) {
                for (std::int32_t k = 0; k < mesh.faceCounts[face]; ++k)
                    item[c++] = face;
            }
        } else if (!scope.empty() && scope != "con") {
            return {};
        }
        const std::size_t stored = indices ? indices->size() : values.size();
        if (stored != items)
            return {};
        spend(corners, sizeof(Float3));
        std::vector<Float3> result(corners);
        for (std::size_t c = 0; c < corners; ++c) {
            std::size_t value = item[c];
            if (indices) {
                value = (*indices)[value];
                if (value >= values.size())
                    return {};
            }
            result[c] = values[value];
        }
        return result;
    }

    // --- Objects. ---

    // The first sample of a PolyMesh or SubD object's ".geom" compound.
    void readMesh(Group object, std::string_view name, bool subdivision)
    {
        if (object.childCount < 2 || file_.isData(object, 0))
            throw Skipped("la mesh " + quoted(name) + " non ha proprietà");
        const Compound properties = compound(group(object, 0));
        const PropertyHeader* geom = properties.find(".geom");
        if (!geom || geom->kind != Kind::compound)
            throw Skipped("la mesh " + quoted(name) + " non ha la sua geometria (.geom)");
        const Compound geometry = compound(group(properties.group, geom->child));
        AlembicMeshData mesh;
        mesh.points = vectors(required(geometry, "P", Pod::float32, 3, name));
        mesh.faceIndices = integers<std::int32_t>(required(geometry, ".faceIndices", Pod::int32, 1, name));
        mesh.faceCounts = integers<std::int32_t>(required(geometry, ".faceCounts", Pod::int32, 1, name));
        if (const std::string problem = mesh.problem(); !problem.empty())
            throw Skipped("la mesh " + quoted(name) + " ha " + problem);
        if (subdivision) {
            if (const PropertyHeader* holes = geometry.find(".holes"); holes && holes->holds(Pod::int32, 1)) {
                if (const auto sample = firstSample(geometry, *holes, 4))
                    mesh.holes = integers<std::int32_t>(*sample);
            }
        } else {
            mesh.cornerNormals = cornerNormals(geometry, mesh);
        }
        spend(mesh.faceIndices.size(), 3 * sizeof(std::uint32_t)); // the fans' triangles, at most
        spend(mesh.points.size(), sizeof(Float3)); // the points' normals
        auto converted = std::move(mesh).toRawMesh(std::string(name));
        if (!converted)
            throw Skipped("la mesh " + quoted(name) + " non ha triangoli");
        meshes_.push_back(std::move(*converted));
    }

    static bool isInstance(const ObjectHeader& header)
    {
        const std::string_view instance = metadataValue(header.metadata, "isInstance");
        return !instance.empty() && instance != "0";
    }

    // Why geometry that is no mesh is skipped; empty for other objects.
    static std::string notAMesh(const ObjectHeader& header)
    {
        const std::string_view schema = metadataValue(header.metadata, "schema");
        if (schema.starts_with("AbcGeom_Curve_"))
            return quoted(header.name) + " è una curva, non una mesh";
        if (schema.starts_with("AbcGeom_Points_"))
            return quoted(header.name) + " è una nuvola di punti, non una mesh";
        if (schema.starts_with("AbcGeom_NuPatch_"))
            return quoted(header.name) + " è una superficie NURBS, non una mesh";
        return {};
    }

    // An object's group holds its properties' group, one group per child object,
    // then the block of the children's headers.
    void walkObject(Group group, int depth)
    {
        if (depth >= maximumObjectDepth)
            damaged("oggetti annidati troppo in profondità");
        if (group.childCount == 0)
            return;
        if (!file_.isData(group, group.childCount - 1))
            damaged("intestazioni degli oggetti assenti");
        // Its properties' group and the headers' block are not children.
        const std::uint64_t childGroups = group.childCount < 2 ? 0 : group.childCount - 2;
        const auto headers = objectHeaders(file_.data(group, group.childCount - 1), childGroups);
        for (std::size_t i = 0; i < headers.size(); ++i) {
            const ObjectHeader& header = headers[i];
            if (isInstance(header)) {
                // Its group holds only the path of its source, which is not followed.
                skip(quoted(header.name) + " è un'istanza di un altro oggetto, che non viene seguita");
                continue;
            }
            const Group child = this->group(group, i + 1);
            const std::string_view schema = metadataValue(header.metadata, "schema");
            if (schema == "AbcGeom_PolyMesh_v1" || schema == "AbcGeom_SubD_v1") {
                try {
                    readMesh(child, header.name, schema == "AbcGeom_SubD_v1");
                } catch (const Skipped& reason) {
                    skip(reason.what());
                }
            } else if (const std::string reason = notAMesh(header); !reason.empty()) {
                skip(reason);
            }
            walkObject(child, depth + 1);
        }
    }

    OgawaFile file_;
    DecodeBudget budget_;
    std::vector<std::string_view> indexedMetadata_;
    std::vector<RawMesh> meshes_;
    std::string firstSkipped_;
};

} // namespace

std::vector<RawMesh> read(std::span<const std::uint8_t> bytes, std::uint64_t leastDecoded)
{
    if (text(bytes).starts_with(hdf5Signature))
        throw Error("archivio Alembic in formato HDF5, non letto");
    try {
        return Archive(bytes, leastDecoded).meshes();
    } catch (const OgawaFile::Error& error) {
        throw Error(error.what());
    }
}

} // namespace morvena::AlembicReader
