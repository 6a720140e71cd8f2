#include "AnatomyImport/Readers/AlembicReader.h"

#include "AnatomyImport/Geometry/MeshGeometry.h"

#include "OgawaWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace morvena;
using Writer = test::OgawaWriter;
using Points = std::vector<Float3>;
using Ints = std::vector<std::int32_t>;

namespace {

std::string sample(const std::string& name)
{
    const std::filesystem::path file
        = std::filesystem::path(std::getenv("MORVENA_SOURCE_DIR")) / "Tests" / "Data" / "Alembic" / name;
    std::ifstream in(file, std::ios::binary);
    std::string bytes {std::istreambuf_iterator<char>(in), {}};
    EXPECT_FALSE(bytes.empty()) << file;
    return bytes;
}

std::vector<RawMesh> read(
    const std::string& bytes, std::uint64_t leastDecoded = AlembicReader::leastDecodedBytes)
{
    return AlembicReader::read(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, leastDecoded);
}

// The reader's reason, or "" when it reads the bytes.
std::string refusal(const std::string& bytes, std::uint64_t leastDecoded = AlembicReader::leastDecodedBytes)
{
    try {
        read(bytes, leastDecoded);
    } catch (const AlembicReader::Error& error) {
        return error.what();
    }
    return "";
}

Float3 triangleNormal(const RawMesh& mesh, std::size_t t)
{
    const Float3 a = mesh.positions[mesh.indices[3 * t]];
    return cross(mesh.positions[mesh.indices[3 * t + 1]] - a, mesh.positions[mesh.indices[3 * t + 2]] - a);
}

// Every triangle of a mesh around the origin faces away from it, as every
// point's normal does.
void expectFacingOut(const RawMesh& mesh)
{
    for (std::size_t t = 0; t < mesh.triangleCount(); ++t)
        EXPECT_GT(dot(triangleNormal(mesh, t), mesh.positions[mesh.indices[3 * t]]), 0.f)
            << mesh.name << " triangle " << t;
    ASSERT_EQ(mesh.normals.size(), mesh.positions.size());
    for (std::size_t v = 0; v < mesh.positions.size(); ++v)
        EXPECT_GT(dot(mesh.normals[v], mesh.positions[v]), 0.f) << mesh.name << " point " << v;
}

Writer::Property array(const std::string& name, Writer::Pod pod, int extent, std::vector<std::string> samples,
    const std::string& metadata = "")
{
    return {name, Writer::array, pod, extent, metadata, std::move(samples), {}};
}

// A PolyMesh (or SubD) object: positions, then the corners of each face listed
// clockwise, as Alembic stores them.
Writer::Object mesh(const std::string& name, const Points& points, const Ints& counts, const Ints& corners,
    std::vector<Writer::Property> more = {}, bool subdivision = false)
{
    const std::string schema = subdivision ? "AbcGeom_SubD_v1" : "AbcGeom_PolyMesh_v1";
    std::vector<Writer::Property> geometry {
        array("P", Writer::float32, 3, {Writer::floats(points)}, "geoScope=vtx;interpretation=point"),
        array(".faceIndices", Writer::int32, 1, {Writer::ints(corners)}),
        array(".faceCounts", Writer::int32, 1, {Writer::ints(counts)}),
    };
    if (counts.size() == 1)
        geometry.back().kind = Writer::oneElementArray; // as Alembic writes the counts of one face
    geometry.insert(geometry.end(), more.begin(), more.end());
    return {name, "schema=" + schema + ";schemaObjTitle=" + schema + ":.geom",
        {{".geom", Writer::compound, Writer::float32, 0, "schema=" + schema, {}, geometry}}, {}};
}

// The unit square in z = 0, clockwise seen from +z.
const Points square {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
// A cube of side 2 around the origin, and its faces' corners clockwise seen from outside.
const Points cubePoints {
    {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}};
const Ints cubeCorners {1, 2, 3, 0, 7, 6, 5, 4, 4, 5, 1, 0, 6, 7, 3, 2, 5, 6, 2, 1, 3, 7, 4, 0};

} // namespace

TEST(AlembicReader, theCubeSampleIsOneClosedMeshFacingOut)
{
    const auto meshes = read(sample("cube.abc"));
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].name, "cube1Shape");
    EXPECT_EQ(meshes[0].positions.size(), 8u);
    EXPECT_EQ(meshes[0].triangleCount(), 12u);
    expectFacingOut(meshes[0]);
}

// Nested objects, an n-gon, a SubD with a hole, a mesh with two samples, indexed
// per-corner normals and a name outside ASCII, in one archive. Flat faces lie in
// z = 0, listed clockwise from +z as Alembic lists them.
TEST(AlembicReader, readsEveryMeshDepthFirstByItsRules)
{
    const Points pentagon {{0, 0, 0}, {-1, 1, 0}, {0, 2, 0}, {2, 2, 0}, {2, 0, 0}};
    const Points strip {
        {0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 1, 0}, {2, 0, 0}, {3, 1, 0}, {3, 0, 0}};
    const Points triangle {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    // Eight outward normals picked per corner through indices: each point gets one.
    Points outward;
    for (const Float3& p : cubePoints)
        outward.push_back(p * (1 / std::sqrt(3.f)));
    const Writer::Property indexedNormals {"N", Writer::compound, Writer::float32, 0, "geoScope=fvr", {},
        {array(".vals", Writer::float32, 3, {Writer::floats(outward)}),
            array(".indices", Writer::uint32, 1, {Writer::ints(cubeCorners)})}};
    auto femur = mesh("femore", square, {4}, {0, 1, 2, 3});
    femur.children.push_back(mesh("rotula", triangle, {3}, {0, 1, 2}));
    auto twoPoses = mesh("battito", square, {4}, {0, 1, 2, 3});
    twoPoses.properties[0].children[0].samples.push_back(Writer::floats(Points(4, {9, 9, 9})));

    const auto meshes = read(Writer().archive(
        {{"corpo", "schema=AbcGeom_Xform_v3", {}, {femur}}, mesh("pentagono", pentagon, {5}, {0, 1, 2, 3, 4}),
            mesh("cartilagine", strip, {4, 4, 4}, {0, 1, 2, 3, 3, 2, 4, 5, 5, 4, 6, 7},
                {array(".holes", Writer::int32, 1, {Writer::ints(Ints {1, 9, -1})})}, true),
            twoPoses, mesh("cubo", cubePoints, {4, 4, 4, 4, 4, 4}, cubeCorners, {indexedNormals}),
            mesh("cuore_è_心臓", triangle, {3}, {0, 1, 2})}));

    const std::vector<std::tuple<std::string, std::size_t, std::size_t>> expected {{"femore", 4, 2},
        {"rotula", 3, 1}, {"pentagono", 5, 3}, {"cartilagine", 8, 4}, {"battito", 4, 2}, {"cubo", 8, 12},
        {"cuore_è_心臓", 3, 1}};
    ASSERT_EQ(meshes.size(), expected.size());
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const auto& [name, points, triangles] = expected[m];
        EXPECT_EQ(meshes[m].name, name);
        EXPECT_EQ(meshes[m].positions.size(), points) << name;
        EXPECT_EQ(meshes[m].triangleCount(), triangles) << name;
        for (std::size_t t = 0; name != "cubo" && t < meshes[m].triangleCount(); ++t)
            EXPECT_GT(triangleNormal(meshes[m], t).z, 0.f) << name << " triangle " << t;
    }
    EXPECT_EQ(meshes[4].positions, square); // the first pose
    EXPECT_EQ(meshes[5].normals, outward);
    expectFacingOut(meshes[5]);
}

// Two triangles over the unit square, sharing points 0 and 2.
TEST(AlembicReader, takesNormalsOnlyWhereEachPointHasOne)
{
    const Float3 tilted {0.6f, 0, 0.8f};
    const Float3 other {0, 0.6f, 0.8f};
    const Points fourTilted(4, tilted);
    const Points generated
        = MeshGeometry::computeNormals(square, std::vector<std::uint32_t> {0, 2, 1, 0, 3, 2});
    const auto normals = [](const std::string& scope, const Points& values) {
        return array(
            "N", Writer::float32, 3, {Writer::floats(values)}, scope.empty() ? "" : "geoScope=" + scope);
    };
    const struct {
        const char* what;
        Writer::Property normals;
        Points expected;
    } cases[] = {
        {"per point", normals("vtx", fourTilted), fourTilted},
        {"per corner, one per point", normals("fvr", Points(6, tilted)), fourTilted},
        {"per face, one per point", normals("uni", {tilted, tilted}), fourTilted},
        {"constant", normals("con", {tilted}), fourTilted},
        {"per corner, two on point 0", normals("fvr", {tilted, tilted, tilted, other, tilted, tilted}),
            generated},
        {"per point, one missing", normals("vtx", {tilted, tilted, tilted}), generated},
        {"as doubles", {"N", Writer::array, Writer::float64, 3, "geoScope=vtx", {std::string(96, '\0')}, {}},
            generated},
    };
    for (const auto& c : cases) {
        const auto meshes
            = read(Writer().archive({mesh("lamina", square, {3, 3}, {0, 1, 2, 0, 2, 3}, {c.normals})}));
        ASSERT_EQ(meshes.size(), 1u) << c.what;
        EXPECT_EQ(meshes[0].normals, c.expected) << c.what;
    }
}

// The samples written without a mesh, the two written inconsistent, and damage.
TEST(AlembicReader, archivesWithoutASoundMeshGiveNoneOrSayWhy)
{
    std::string unclosed = sample("cube.abc");
    unclosed[5] = '\0';
    // Two children whose headers name two objects but whose groups are one.
    Writer sharing;
    const std::uint64_t shared = sharing.object({"x", "", {}, {}});
    const std::string twoHeaders = Writer::le(1, 4) + "a" + '\0' + Writer::le(1, 4) + "b" + '\0';
    const std::uint64_t top = sharing.group(
        {Writer::emptyGroup, shared, shared, sharing.data(twoHeaders + std::string(32, '\0'))});
    Writer::Object deep {"livello", "", {}, {}};
    for (int depth = 0; depth < 300; ++depth)
        deep = {"livello", "", {}, {deep}};

    const std::pair<std::string, std::string> cases[] = {
        {sample("xform1.abc"), ""},
        {sample("hash.abc"), ""},
        {sample("facesetSubD1.abc"), "nessuna mesh letta: la mesh «subd» non ha campioni di P"},
        {sample("instance.abc"),
            "nessuna mesh letta: «c» è un'istanza di un altro oggetto, che non viene seguita"},
        {sample("curves1.abc"), "nessuna mesh letta: «really_long_curves_name» è una curva, non una mesh"},
        {sample("polyMesh1.abc"),
            "nessuna mesh letta: la mesh «meshy» ha un indice di faccia oltre i suoi 7 punti"},
        {sample("cube2.abc"),
            "nessuna mesh letta: la mesh «cube1Shape» ha facce che contano 396698761 vertici su 24 indici"},
        {"\x89HDF\r\n\x1a\n" + std::string(600, '\0'), "archivio Alembic in formato HDF5, non letto"},
        {unclosed, "archivio Alembic non chiuso correttamente: la sua scrittura è stata interrotta"},
        {sharing.finish(top), "Alembic non valido: un gruppo raggiunto due volte"},
        {Writer().archive({deep}), "Alembic non valido: oggetti annidati troppo in profondità"},
        {Writer().archive({{"", "", {}, {}}}), "Alembic non valido: un oggetto senza nome"},
        {"#usda 1.0\n", "Alembic non valido: intestazione Ogawa assente"},
    };
    for (const auto& [bytes, reason] : cases) {
        EXPECT_EQ(refusal(bytes), reason);
        if (reason.empty()) {
            EXPECT_TRUE(read(bytes).empty());
        }
    }
}

namespace {

const std::string polyMeshMetadata = "schema=AbcGeom_PolyMesh_v1;schemaObjTitle=AbcGeom_PolyMesh_v1:.geom";

// The header block of one child object called "lamina", whose metadata is
// `metadata` (an index, or 0xff and the text inline).
std::string laminaHeader(const std::string& metadata)
{
    return Writer::le(6, 4) + "lamina" + metadata + std::string(32, '\0');
}

} // namespace

// The table of indexed metadata is refused over 64 KiB, as the format's own
// reader refuses it; a header can still name its last entry, 254.
TEST(AlembicReader, readsATableOfMetadataUpTo64KiB)
{
    const std::string entry254
        = std::string(253, '\0') + static_cast<char>(polyMeshMetadata.size()) + polyMeshMetadata;
    for (const auto& [size, reason] : std::vector<std::pair<std::size_t, std::string>> {
             {65536, ""},
             {65537, "Alembic non valido: tabella dei metadati oltre 65536 byte"},
         }) {
        Writer writer;
        const std::uint64_t lamina = writer.object(mesh("lamina", square, {4}, {0, 1, 2, 3}));
        const std::uint64_t top
            = writer.group({Writer::emptyGroup, lamina, writer.data(laminaHeader("\xfe"))});
        const std::string bytes = writer.finish(top, entry254 + std::string(size - entry254.size(), '\0'));
        EXPECT_EQ(refusal(bytes), reason) << size;
        if (reason.empty()) {
            EXPECT_EQ(read(bytes).size(), 1u);
        }
    }
}

// A block of 100,000 headers whose group holds none of theirs, cut short at its
// end: it is refused at its first header, before the others are read (which
// would end at the cut), so the headers never take memory that the file's
// groups do not account for.
TEST(AlembicReader, refusesHeadersBeyondTheirGroupsAsItReadsThem)
{
    const std::string truncated = "\x07";
    std::string compounds;
    std::string objects;
    for (int i = 0; i < 100000; ++i) {
        compounds += Writer::le(0, 4) + "\x01p"; // a compound named "p", fields of one byte
        objects += Writer::le(1, 4) + "o" + '\0';
    }
    Writer properties;
    const std::uint64_t lamina = properties.group(
        {properties.group({properties.data(compounds + truncated)}), properties.data(std::string(32, '\0'))});
    const std::string inlineSchema = "\xff" + Writer::le(polyMeshMetadata.size(), 4) + polyMeshMetadata;
    Writer children;
    const std::uint64_t top
        = children.group({Writer::emptyGroup, children.data(objects + truncated + std::string(32, '\0'))});

    const std::pair<std::string, std::string> cases[] = {
        {properties.finish(
             properties.group({Writer::emptyGroup, lamina, properties.data(laminaHeader(inlineSchema))})),
            "Alembic non valido: proprietà senza il loro gruppo"},
        {children.finish(top), "Alembic non valido: oggetti senza il loro gruppo"},
    };
    for (const auto& [bytes, reason] : cases)
        EXPECT_EQ(refusal(bytes), reason);
}

// Sixteen meshes of 1,000 triangles that share their samples: about 24 KB of
// archive that decodes into about 850 KB. Padded, the file may decode sixteen
// times its size: 960 KB at 60,000 bytes, 736 KB at 46,000.
TEST(AlembicReader, decodesUpToSixteenTimesItsSizeAndCallsMoreTooLarge)
{
    Ints corners;
    for (int t = 0; t < 1000; ++t)
        corners.insert(corners.end(), {0, 1, 2});
    std::vector<Writer::Object> meshes;
    for (int m = 0; m < 16; ++m)
        meshes.push_back(
            mesh("lamina" + std::to_string(m), {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, Ints(1000, 3), corners));
    const std::string archive = Writer().archive(meshes);
    const auto padded = [&](std::size_t size) { return archive + std::string(size - archive.size(), '\0'); };

    const struct {
        const char* what;
        std::string bytes;
        std::uint64_t leastDecoded;
        std::string reason;
    } cases[] = {
        {"sixteen times the file covers it", padded(60000), 0, ""},
        {"sixteen times the file does not", padded(46000), 0, "file troppo grande da leggere"},
        {"a small file may decode 1 GiB", archive, AlembicReader::leastDecodedBytes, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refusal(c.bytes, c.leastDecoded), c.reason) << c.what;
        if (c.reason.empty()) {
            EXPECT_EQ(read(c.bytes, c.leastDecoded).size(), 16u) << c.what;
        }
    }
}
