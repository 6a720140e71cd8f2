#include "AnatomyImport/GenericDatasetImporter.h"

#include "FreshDataFolder.h"
#include "OgawaWriter.h"
#include "TemporaryFolder.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "AnatomyImport/ImportError.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

using namespace morvena;
using namespace morvena::test;
namespace fs = std::filesystem;

namespace {

// OBJ text assembled from boxes and single triangles, each optionally in a group.
class OBJText {
public:
    OBJText& group(std::string_view name)
    {
        text_ += "g " + std::string(name) + "\n";
        return *this;
    }
    // An axis-aligned box: 8 vertices, 6 quads.
    OBJText& box(Float3 low, Float3 high)
    {
        for (int corner = 0; corner < 8; ++corner)
            vertex({corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y, corner & 4 ? high.z : low.z});
        const int b = vertices_ - 7;
        for (auto [p, q, r, s] :
            {std::array {0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}})
            text_ += "f " + std::to_string(b + p) + " " + std::to_string(b + q) + " " + std::to_string(b + r)
                + " " + std::to_string(b + s) + "\n";
        return *this;
    }
    // One triangle whose corners each carry the given normal.
    OBJText& triangle(Float3 a, Float3 b, Float3 c, Float3 normal)
    {
        for (auto p : {a, b, c}) {
            vertex(p);
            text_ += "vn " + number(normal.x) + " " + number(normal.y) + " " + number(normal.z) + "\n";
        }
        const auto v = [&](int k) {
            return std::to_string(vertices_ - 2 + k) + "//" + std::to_string(vertices_ - 2 + k);
        };
        text_ += "f " + v(0) + " " + v(1) + " " + v(2) + "\n";
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    static std::string number(float value) { return std::to_string(value); }
    void vertex(Float3 p)
    {
        text_ += "v " + number(p.x) + " " + number(p.y) + " " + number(p.z) + "\n";
        ++vertices_;
    }

    std::string text_;
    int vertices_ = 0;
};

// A GLB file holding the meshes as nodes, in order, under the given names
// (an empty one leaves its node and mesh unnamed).
void writeGLB(
    const fs::path& file, std::vector<MeshPackBuilder::Mesh> meshes, const GLTFExporter::Names& names = {})
{
    TemporaryFolder scratch;
    MeshPackBuilder builder;
    std::vector<std::int64_t> order;
    for (auto& mesh : meshes) {
        builder.add(std::move(mesh));
        order.push_back(std::int64_t(order.size()));
    }
    builder.write(scratch / "geometry.mrvpack", "", "");
    MeshPack pack(scratch / "geometry.mrvpack");
    auto glb = GLTFExporter::exportGLB(
        pack, order, names, {.lod = 0, .coloredMaterials = false, .scale = 1, .centered = false});
    ASSERT_TRUE(glb);
    fs::create_directories(file.parent_path());
    AtomicFile::write(
        file, std::string_view(reinterpret_cast<const char*>(glb->data.data()), glb->data.size()));
}

// One triangle whose three corners carry `normal`.
MeshPackBuilder::Mesh triangleMesh(std::string name, Float3 origin = {}, Float3 normal = {0, 0, 1})
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = name;
    mesh.name = std::move(name);
    mesh.positions = {origin, origin + Float3 {1, 0, 0}, origin + Float3 {0, 1, 0}};
    mesh.normals.assign(3, normal);
    mesh.lodIndices = {{0, 1, 2}};
    return mesh;
}

// An Alembic archive of one polygon mesh object over `points`.
std::string alembicMesh(
    const std::string& name, const std::vector<Float3>& points, const std::vector<std::int32_t>& corners)
{
    using Writer = OgawaWriter;
    const std::string schema = "AbcGeom_PolyMesh_v1";
    const Writer::Property geometry {".geom", Writer::compound, Writer::float32, 0, "schema=" + schema, {},
        {{"P", Writer::array, Writer::float32, 3, "geoScope=vtx;interpretation=point",
             {Writer::floats(points)}, {}},
            {".faceIndices", Writer::array, Writer::int32, 1, "", {Writer::ints(corners)}, {}},
            {".faceCounts", Writer::oneElementArray, Writer::int32, 1, "",
                {Writer::ints(std::vector<std::int32_t> {std::int32_t(corners.size())})}, {}}}};
    return Writer().archive(
        {{name, "schema=" + schema + ";schemaObjTitle=" + schema + ":.geom", {geometry}, {}}});
}

// The exported file's bytes as text, to look for a name in its JSON.
std::string exportedText(const MeshPack& pack, const GLTFExporter::Names& names)
{
    std::vector<std::int64_t> all;
    for (std::size_t i = 0; i < pack.structureCount(); ++i)
        all.push_back(std::int64_t(i));
    auto glb = GLTFExporter::exportGLB(
        pack, all, names, {.lod = 0, .coloredMaterials = false, .scale = 1, .centered = false});
    if (!glb)
        return "";
    return std::string(reinterpret_cast<const char*>(glb->data.data()), glb->data.size());
}

GenericDatasetImporter::Options optionsFor(const fs::path& input, std::string id = "prova")
{
    GenericDatasetImporter::Options options;
    options.input = input;
    options.datasetID = std::move(id);
    options.displayName = "Modello di prova";
    options.license = "CC0";
    options.attribution = "Autori del modello";
    options.sourceURL = "https://example.org/modello";
    return options;
}

struct Imported {
    BodyParts3DImporter::Result result;
    std::vector<ImportProgress> reports;
};

Imported importWith(const GenericDatasetImporter::Options& options)
{
    Imported imported;
    imported.result = GenericDatasetImporter(options).run(
        [&](const ImportProgress& p) { imported.reports.push_back(p); });
    return imported;
}

std::vector<std::string> messages(const Imported& imported)
{
    std::vector<std::string> texts;
    for (const auto& report : imported.reports)
        texts.push_back(report.message);
    return texts;
}

std::vector<std::string> datasetsFolderEntries()
{
    std::vector<std::string> entries;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(AppPaths::datasetsDirectory(), ignored))
        entries.push_back(entry.path().filename().string());
    std::ranges::sort(entries);
    return entries;
}

ImportError::Kind failureKind(const GenericDatasetImporter::Options& options)
{
    try {
        importWith(options);
    } catch (const ImportError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "the import did not fail";
    return ImportError::Kind::missingMetadata;
}

using GenericDatasetImporterTest = FreshDataFolder;

} // namespace

TEST_F(GenericDatasetImporterTest, readsSupportedFilesInPathOrderAndCountsThemInTheNotes)
{
    TemporaryFolder folder;
    writeFile(folder / "in" / "a.OBJ", OBJText().box({0, 0, 0}, {100, 200, 300}).text());
    writeGLB(folder / "in" / "sub" / "b.glb", {triangleMesh("Vertebra"), triangleMesh("Costa", {3, 0, 0})});
    writeFile(folder / "in" / "notes.txt", "v 0 0 0\n");
    writeFile(folder / "in" / "B.obj", OBJText().box({5, 5, 5}, {6, 6, 6}).text());
    auto imported = importWith(optionsFor(folder / "in"));

    std::vector<std::string> reading;
    for (const auto& text : messages(imported))
        if (text.starts_with("Lettura "))
            reading.push_back(text);
    // Upper case sorts first; the folder's path decides, not the file name.
    EXPECT_EQ(reading, (std::vector<std::string> {"Lettura B.obj…", "Lettura a.OBJ…", "Lettura b.glb…"}));
    EXPECT_EQ(imported.result.manifest.notes,
        "Importato da 3 file. Classificazione basata sui nomi degli oggetti del file di origine.");
    EXPECT_EQ(imported.result.manifest.structureCount, 4);
    AnatomyDB db(AppPaths::databaseURL("prova"), true);
    EXPECT_TRUE(db.structure("vertebra"));
    EXPECT_TRUE(db.structure("costa"));
    EXPECT_EQ(DatasetManifest::read(AppPaths::manifestURL("prova")), imported.result.manifest);
}

TEST_F(GenericDatasetImporterTest, writesPackDatabaseAndManifestOfTheDataset)
{
    TemporaryFolder folder;
    writeFile(folder / "model.obj", OBJText().box({0, 0, 0}, {100, 100, 1000}).text());
    auto imported = importWith(optionsFor(folder / "model.obj"));
    const auto& result = imported.result;
    EXPECT_EQ(result.packURL, AppPaths::packURL("prova"));
    EXPECT_EQ(result.databaseURL, AppPaths::databaseURL("prova"));
    EXPECT_TRUE(result.missingOBJ.empty());

    const auto& manifest = result.manifest;
    EXPECT_EQ(manifest.id, "prova");
    EXPECT_EQ(manifest.displayName, "Modello di prova");
    EXPECT_EQ(manifest.version, "importato");
    EXPECT_EQ(manifest.license, "CC0");
    EXPECT_EQ(manifest.attribution, "Autori del modello");
    EXPECT_EQ(manifest.sourceURL, "https://example.org/modello");
    EXPECT_EQ(manifest.triangleCount, 12);
    EXPECT_EQ(manifest.vertexCount, 8);

    MeshPack pack(result.packURL);
    EXPECT_EQ(pack.datasetName(), "Modello di prova");
    EXPECT_EQ(pack.attribution(), "Autori del modello");
    EXPECT_EQ(pack.conceptID(0), "model");
    EXPECT_EQ(pack.name(0), "model");

    AnatomyDB db(result.databaseURL, true);
    EXPECT_EQ(db.meta("dataset"), "Modello di prova");
    EXPECT_EQ(db.meta("attribution"), "Autori del modello");
    EXPECT_EQ(db.meta("license"), "CC0");
    EXPECT_EQ(db.meta("sourceURL"), "https://example.org/modello");
    EXPECT_EQ(db.meta("navigationRootKind"), "partOf");
    auto structure = db.structure("model");
    ASSERT_TRUE(structure);
    EXPECT_EQ(structure->meshIndex, 0);
    EXPECT_EQ(structure->datasetName, "Modello di prova");
    EXPECT_EQ(structure->contentSource, FieldSource::dataset);
    // "model" names no system: reported, and kept all the same.
    EXPECT_EQ(result.unclassified, std::vector<std::string> {"model"});
    EXPECT_EQ(manifest.systemCounts, (std::map<std::string, std::int64_t> {{"0", 1}}));
    EXPECT_EQ(manifest.missingSystems.size(), anatomySystemCount - 1);

    const auto reports = messages(imported);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front(), "Ricerca dei file 3D…");
    EXPECT_EQ(reports.back(), "Importazione completata.");
    EXPECT_EQ(imported.reports.back().fraction, 1.0);
    EXPECT_TRUE(std::ranges::is_sorted(imported.reports, {}, &ImportProgress::fraction));
}

TEST_F(GenericDatasetImporterTest, scalesToMillimetresByTheModelsSizeAndCentres)
{
    struct Case {
        float side;
        std::optional<float> unitsPerMillimeter;
        float factor;
        const char* units;
    };
    for (auto [side, units, factor, text] : {Case {1.8f, {}, 1000, "millimetri (fattore applicato: 1000.0)"},
             Case {18, {}, 100, "millimetri (fattore applicato: 100.0)"},
             Case {180, {}, 10, "millimetri (fattore applicato: 10.0)"},
             Case {500, {}, 10, "millimetri (fattore applicato: 10.0)"},
             Case {1800, {}, 1, "millimetri (fattore applicato: 1.0)"},
             Case {180, 10.f, 0.1f, "millimetri (fattore applicato: 0.1)"},
             Case {180, 1000.f, 0.001f, "millimetri (fattore applicato: 0.001)"}}) {
        SCOPED_TRACE(side);
        TemporaryFolder folder;
        // Two files: the box around both decides.
        writeFile(folder / "in" / "a.obj",
            OBJText().box({10, 20, 30}, {10 + side, 20 + side / 2, 30 + side / 4}).text());
        writeFile(folder / "in" / "b.obj",
            OBJText()
                .box({10 + side / 2, 20 + side / 8, 30 + side / 8}, {10 + side, 20 + side / 4, 30 + side / 4})
                .text());
        auto options = optionsFor(folder / "in");
        options.unitsPerMillimeter = units;
        importWith(options);

        AnatomyDB db(AppPaths::databaseURL("prova"), true);
        EXPECT_EQ(db.meta("units"), text);
        MeshPack pack(AppPaths::packURL("prova"));
        const float half = side * factor / 2;
        EXPECT_NEAR(pack.boundsMax().x, half, half * 1e-5f);
        EXPECT_NEAR(pack.boundsMin().x, -half, half * 1e-5f);
        EXPECT_NEAR(pack.boundsMax().y, half / 2, half * 1e-5f);
        EXPECT_NEAR(pack.center().z, 0, half * 1e-5f);
    }
}

TEST_F(GenericDatasetImporterTest, aPositionBeyondFloatRangeSpoilsNeitherPlacementNorBounds)
{
    TemporaryFolder folder;
    // The last vertex reads as infinity and no face uses it.
    writeFile(folder / "far.obj", OBJText().box({0, 0, 0}, {100, 50, 50}).text() + "v 1e39 0 0\n");
    importWith(optionsFor(folder / "far.obj"));
    AnatomyDB db(AppPaths::databaseURL("prova"), true);
    EXPECT_EQ(db.meta("units"), "millimetri (fattore applicato: 10.0)");
    MeshPack pack(AppPaths::packURL("prova"));
    EXPECT_EQ(pack.vertexCount(), 8u);
    EXPECT_EQ(pack.boundsMax(), (Float3 {500, 250, 250}));
    EXPECT_EQ(pack.boundsMin(), (Float3 {-500, -250, -250}));
}

// A triangle of side 100 among thousands of points no face uses, far away, one
// of them beyond float range: corners 0, 3000 and 6000, so that the used
// vertices lie neither together nor in one block.
TEST_F(GenericDatasetImporterTest, pointsNoTriangleUsesStayOutOfThePackThePlacementAndTheUnits)
{
    std::vector<Float3> cloud;
    for (int i = 0; i <= 6000; ++i)
        cloud.push_back({1e6f + float(i), -1e6f, 1e6f});
    cloud[0] = {0, 0, 0};
    cloud[3000] = {100, 0, 0};
    cloud[6000] = {0, 100, 0};
    std::ostringstream obj, ply;
    for (const auto& p : cloud)
        obj << "v " << p.x << ' ' << p.y << ' ' << p.z << "\nvn " << (p.x < 1e6f ? "1 0 0" : "0 1 0") << '\n';
    obj << "v 1e39 0 0\nvn 0 1 0\nf 1//1 3001//3001 6001//6001\n";
    ply << "ply\nformat ascii 1.0\nelement vertex " << cloud.size()
        << "\nproperty float x\nproperty float y\nproperty float z\nelement face 1\n"
           "property list uchar int vertex_indices\nend_header\n";
    for (const auto& p : cloud)
        ply << p.x << ' ' << p.y << ' ' << p.z << '\n';
    ply << "3 0 3000 6000\n";
    struct Case {
        const char* file;
        std::string bytes;
        bool fileNormals; // (1, 0, 0) on the used vertices only
    };
    const Case cases[] = {{"nuvola.obj", obj.str(), true}, {"nuvola.ply", ply.str(), false},
        {"nuvola.abc", alembicMesh("nuvola", cloud, {0, 3000, 6000}), false}};
    for (const auto& [file, bytes, fileNormals] : cases) {
        SCOPED_TRACE(file);
        TemporaryFolder folder;
        writeFile(folder / file, bytes);
        importWith(optionsFor(folder / file));
        EXPECT_EQ(AnatomyDB(AppPaths::databaseURL("prova"), true).meta("units"),
            "millimetri (fattore applicato: 10.0)");
        MeshPack pack(AppPaths::packURL("prova"));
        ASSERT_EQ(pack.vertexCount(), 3u);
        EXPECT_EQ(pack.boundsMin(), (Float3 {-500, -500, 0}));
        EXPECT_EQ(pack.boundsMax(), (Float3 {500, 500, 0}));
        if (fileNormals) {
            for (const auto& vertex : pack.vertices())
                EXPECT_EQ(vertex.normal(), (Float3 {1, 0, 0}));
        }
    }
}

TEST_F(GenericDatasetImporterTest, keepsTheFilesNormalsOnlyWithoutWelding)
{
    TemporaryFolder folder;
    // The files' normals point along x; the triangle's own normal is z.
    writeFile(folder / "tri.obj", OBJText().triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}).text());
    writeGLB(folder / "tri.glb", {triangleMesh("tri", {}, {1, 0, 0})});
    for (auto file : {"tri.obj", "tri.glb"}) {
        SCOPED_TRACE(file);
        auto options = optionsFor(folder / file);
        importWith(options);
        {
            MeshPack pack(AppPaths::packURL("prova"));
            ASSERT_EQ(pack.vertexCount(), 3u);
            for (const auto& vertex : pack.vertices())
                EXPECT_EQ(vertex.normal(), (Float3 {1, 0, 0}));
        }
        options.weldTolerance = 0.01f;
        importWith(options);
        MeshPack pack(AppPaths::packURL("prova"));
        ASSERT_EQ(pack.vertexCount(), 3u);
        for (const auto& vertex : pack.vertices())
            EXPECT_EQ(vertex.normal(), (Float3 {0, 0, 1}));
    }
}

TEST_F(GenericDatasetImporterTest, namesUnnamedMeshesByTheirPosition)
{
    TemporaryFolder folder;
    writeGLB(folder / "scene.glb",
        {triangleMesh("Left Femur"), triangleMesh("b", {2, 0, 0}), triangleMesh("c", {4, 0, 0}),
            triangleMesh("d", {6, 0, 0})},
        {{3, ""}});
    auto imported = importWith(optionsFor(folder / "scene.glb"));
    AnatomyDB db(AppPaths::databaseURL("prova"), true);
    auto unnamed = db.structure("structure_3");
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->nameEN, "structure 3");
    EXPECT_TRUE(db.structure("left_femur"));
}

TEST_F(GenericDatasetImporterTest, weldingMergesVerticesWithinTheToleranceInMillimetres)
{
    TemporaryFolder folder;
    // Two triangles sharing an edge whose copies lie 0.004 units (4 mm) apart.
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1.004 0 0\nv 0 1.004 0\nv 1 1 0\nf 1 2 3\nf 4 6 5\n";
    writeFile(folder / "pair.obj", text);
    auto options = optionsFor(folder / "pair.obj");
    options.unitsPerMillimeter = 0.001f; // metres
    options.weldTolerance = 1; // finer than the gap: nothing merges
    EXPECT_EQ(importWith(options).result.manifest.vertexCount, 6);
    options.weldTolerance = 10;
    EXPECT_EQ(importWith(options).result.manifest.vertexCount, 4);
}

TEST_F(GenericDatasetImporterTest, buildsLevelsOfDetailOnlyForLargeMeshesWhenAsked)
{
    // A strip of n triangles over n + 2 vertices.
    auto strip = [](int triangles) {
        std::string text;
        for (int i = 0; i < triangles + 2; ++i)
            text += "v " + std::to_string(i / 2) + " " + std::to_string((i % 2) + (i % 7) * 0.01) + " 0\n";
        for (int t = 1; t <= triangles; ++t)
            text += "f " + std::to_string(t) + " " + std::to_string(t + 1) + " " + std::to_string(t + 2)
                + "\n";
        return text;
    };
    TemporaryFolder folder;
    writeFile(folder / "in" / "small.obj", strip(1199));
    writeFile(folder / "in" / "large.obj", strip(20000));
    auto options = optionsFor(folder / "in");
    options.generateLODs = true;
    importWith(options);
    MeshPack pack(AppPaths::packURL("prova"));
    const auto index = pack.indexByConceptID();
    EXPECT_EQ(pack.structures()[std::size_t(index.at("small"))].lod1Count, 0u);
    EXPECT_GT(pack.structures()[std::size_t(index.at("large"))].lod1Count, 0u);

    options.generateLODs = false;
    importWith(options);
    MeshPack single(AppPaths::packURL("prova"));
    EXPECT_EQ(single.lodCount(), 1u);
}

TEST_F(GenericDatasetImporterTest, splitsOBJGroupsIntoStructuresWithTheirOwnVertices)
{
    TemporaryFolder folder;
    writeFile(folder / "two.obj",
        OBJText().group("a").box({0, 0, 0}, {1, 1, 1}).group("b").box({10, 10, 10}, {12, 12, 12}).text());
    writeFile(folder / "one.obj", OBJText().group("solo").box({0, 0, 0}, {1, 1, 1}).text());

    auto options = optionsFor(folder / "two.obj");
    options.splitOBJGroups = true;
    options.unitsPerMillimeter = 1;
    importWith(options);
    {
        MeshPack pack(AppPaths::packURL("prova"));
        ASSERT_EQ(pack.structureCount(), 2u);
        const auto index = pack.indexByConceptID();
        const auto& a = pack.structures()[std::size_t(index.at("a"))];
        const auto& b = pack.structures()[std::size_t(index.at("b"))];
        EXPECT_EQ(a.vertexCount, 8u);
        EXPECT_EQ(b.vertexCount, 8u);
        // Each group's bounds are its own, not the file's.
        EXPECT_FLOAT_EQ(a.maxX - a.minX, 1);
        EXPECT_FLOAT_EQ(b.maxX - b.minX, 2);
    }

    options.splitOBJGroups = false;
    importWith(options);
    {
        MeshPack pack(AppPaths::packURL("prova"));
        ASSERT_EQ(pack.structureCount(), 1u);
        EXPECT_EQ(pack.conceptID(0), "two");
        EXPECT_EQ(pack.vertexCount(), 16u);
    }

    options.input = folder / "one.obj";
    options.splitOBJGroups = true;
    importWith(options);
    MeshPack pack(AppPaths::packURL("prova"));
    ASSERT_EQ(pack.structureCount(), 1u);
    EXPECT_EQ(pack.name(0), "one");
}

TEST_F(GenericDatasetImporterTest, identifiersAreUniqueAndNeverTheHierarchysOwn)
{
    TemporaryFolder folder;
    OBJText obj;
    float x = 0;
    for (auto name :
        {"a", "a_2", "a", "Left Femur", "System:1", "system:1:region:8", "c", "Left Femur", "A"}) {
        obj.group(name).box({x, 0, 0}, {x + 1, 1, 1});
        x += 2;
    }
    writeFile(folder / "named.obj", obj.text());
    auto options = optionsFor(folder / "named.obj");
    options.splitOBJGroups = true;
    importWith(options);

    AnatomyDB db(AppPaths::databaseURL("prova"), true);
    std::vector<std::string> ids;
    for (const auto& structure : db.allStructures())
        ids.push_back(structure.conceptID);
    std::ranges::sort(ids);
    EXPECT_EQ(ids,
        (std::vector<std::string> {"a", "a_2", "a_2_2", "a_8", "c", "left_femur", "left_femur_7",
            "system:1:region:8_5", "system:1_4"}));
    EXPECT_EQ(db.structure("left_femur_7")->nameEN, "Left Femur");
    // The hierarchy's nodes are intact and hold only what belongs to them.
    for (const auto& node : db.children("system:1", "partOf"))
        EXPECT_TRUE(node.id.starts_with("system:1:region:")) << node.id;
}

TEST_F(GenericDatasetImporterTest, buildsTheSystemAndRegionHierarchy)
{
    ASSERT_EQ(AnatomyClassifier::system("Left femur"), AnatomySystem::skeletal);
    ASSERT_EQ(AnatomyClassifier::region("Left femur"), BodyRegion::lowerLimb);
    ASSERT_EQ(AnatomyClassifier::laterality("Left femur"), Laterality::left);

    TemporaryFolder folder;
    writeFile(folder / "body.obj",
        OBJText()
            .group("Left femur")
            .box({0, 0, 0}, {1, 1, 1})
            .group("Right femur")
            .box({2, 0, 0}, {3, 1, 1})
            .group("Humerus")
            .box({4, 0, 0}, {5, 1, 1})
            .group("Thing")
            .box({6, 0, 0}, {7, 1, 1})
            .text());
    auto options = optionsFor(folder / "body.obj");
    options.splitOBJGroups = true;
    auto imported = importWith(options);
    EXPECT_EQ(imported.result.unclassified, std::vector<std::string> {"Thing"});

    AnatomyDB db(AppPaths::databaseURL("prova"), true);
    auto left = db.structure("left_femur");
    ASSERT_TRUE(left);
    EXPECT_EQ(left->system, AnatomySystem::skeletal);
    EXPECT_EQ(left->region, BodyRegion::lowerLimb);
    EXPECT_EQ(left->laterality, Laterality::left);

    std::map<std::string, std::int64_t> roots;
    for (const auto& node : db.roots("partOf")) {
        roots[node.id] = node.meshDescendants;
        EXPECT_FALSE(node.hasMesh);
        EXPECT_EQ(node.name, italianName(node.system));
    }
    EXPECT_EQ(roots, (std::map<std::string, std::int64_t> {{"system:0", 1}, {"system:1", 3}}));

    std::map<std::string, std::int64_t> regions;
    for (const auto& node : db.children("system:1", "partOf"))
        regions[node.id] = node.meshDescendants;
    const auto humerusRegion
        = "system:1:region:" + std::to_string(rawValue(AnatomyClassifier::region("Humerus")));
    std::map<std::string, std::int64_t> expected {{"system:1:region:8", 2}};
    expected[humerusRegion] += 1;
    EXPECT_EQ(regions, expected);

    auto femurs = db.children("system:1:region:8", "partOf");
    ASSERT_EQ(femurs.size(), 2u);
    for (const auto& node : femurs) {
        EXPECT_TRUE(node.hasMesh);
        EXPECT_EQ(node.meshDescendants, 1);
        EXPECT_EQ(node.system, AnatomySystem::skeletal);
    }
    auto regionNode = db.ancestry("left_femur", "partOf", 5);
    ASSERT_EQ(regionNode.size(), 2u);
    EXPECT_EQ(regionNode[0].name, italianName(BodyRegion::lowerLimb));
    EXPECT_EQ(regionNode[1].id, "system:1");
    EXPECT_EQ(db.meshIndicesOfConcept("system:1").size(), 3u);

    const auto& manifest = imported.result.manifest;
    EXPECT_EQ(manifest.systemCounts, (std::map<std::string, std::int64_t> {{"0", 1}, {"1", 3}}));
    EXPECT_EQ(manifest.missingSystems.size(), anatomySystemCount - 2);
    EXPECT_EQ(
        std::ranges::count(manifest.missingSystems, std::string(italianName(AnatomySystem::skeletal))), 0);
    EXPECT_EQ(manifest.missingSystems.front(), italianName(AnatomySystem::muscular));
}

TEST_F(GenericDatasetImporterTest, reportsGeometryProgressEvery25Meshes)
{
    TemporaryFolder folder;
    OBJText obj;
    for (int i = 0; i < 60; ++i)
        obj.group("part " + std::to_string(i)).box({float(2 * i), 0, 0}, {float(2 * i + 1), 1, 1});
    writeFile(folder / "many.obj", obj.text());
    auto options = optionsFor(folder / "many.obj");
    options.splitOBJGroups = true;
    auto imported = importWith(options);
    std::vector<std::string> geometry;
    for (const auto& report : imported.reports)
        if (report.message.starts_with("Geometria "))
            geometry.push_back(report.message);
    EXPECT_EQ(
        geometry, (std::vector<std::string> {"Geometria 0/60…", "Geometria 25/60…", "Geometria 50/60…"}));
    EXPECT_EQ(messages(imported),
        (std::vector<std::string> {"Ricerca dei file 3D…", "Lettura many.obj…",
            "Costruzione del pack geometrico…", "Geometria 0/60…", "Geometria 25/60…", "Geometria 50/60…",
            "Costruzione del database anatomico…", "Importazione completata."}));
    EXPECT_DOUBLE_EQ(imported.reports[4].fraction, 0.55 + 0.3 * 25 / 60);
}

TEST_F(GenericDatasetImporterTest, failsClearlyWhenNothingCanBeImported)
{
    TemporaryFolder folder;
    fs::create_directories(folder / "empty");
    try {
        importWith(optionsFor(folder / "empty"));
        FAIL() << "an empty folder was imported";
    } catch (const ImportError& error) {
        EXPECT_EQ(error.kind(), ImportError::Kind::noOBJFiles);
        EXPECT_EQ(std::string(error.what()), "Nessun file .obj trovato in " + (folder / "empty").string());
    }
    writeFile(folder / "text" / "notes.txt", "v 0 0 0\n");
    EXPECT_EQ(failureKind(optionsFor(folder / "text")), ImportError::Kind::noOBJFiles);
    EXPECT_EQ(failureKind(optionsFor(folder / "missing")), ImportError::Kind::noStructures);
    // A single file is read whatever its extension; one no reader understands gives no structure.
    writeFile(folder / "model.xyz", "solid\n");
    EXPECT_EQ(failureKind(optionsFor(folder / "model.xyz")), ImportError::Kind::noStructures);
    // Faces without vertices, or only degenerate ones once welded.
    writeFile(folder / "flat.obj", "v 0 0 0\nv 0 0 0\nv 0 0 0\nf 1 2 3\n");
    auto welded = optionsFor(folder / "flat.obj");
    welded.weldTolerance = 1;
    EXPECT_EQ(failureKind(welded), ImportError::Kind::noStructures);
    EXPECT_TRUE(datasetsFolderEntries().empty());
}

TEST_F(GenericDatasetImporterTest, skipsFilesItsReadersCannotRead)
{
    TemporaryFolder folder;
    writeFile(folder / "in" / "good.obj", OBJText().box({0, 0, 0}, {1, 1, 1}).text());
    writeGLB(folder / "in" / "good.glb", {triangleMesh("Costa")});
    fs::create_symlink(folder / "nowhere.obj", folder / "in" / "broken.obj");
    // A JSON chunk that claims 255 bytes where 2 remain.
    const char damaged[] = "glTF\x02\0\0\0"
                           "\x16\0\0\0"
                           "\xff\0\0\0"
                           "JSON"
                           "{}";
    writeFile(folder / "in" / "damaged.glb", std::string(damaged, sizeof damaged - 1));
    writeFile(folder / "in" / "text.gltf", "[1, 2]");
    auto imported = importWith(optionsFor(folder / "in"));
    EXPECT_EQ(imported.result.manifest.structureCount, 2);
    EXPECT_TRUE(imported.result.manifest.notes.starts_with("Importato da 5 file."));
}

// A glTF file of one triangle whose data lie beside it, spoilt in one of the
// ways the importer used to pass over in silence.
TEST_F(GenericDatasetImporterTest, nothingImportedNamesTheFirstFileThatFailedAndWhy)
{
    const float triangle[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::string document = R"({"buffers": [{"uri": "m.bin", "byteLength": 36}], "bufferViews":
        [{"buffer": 0}], "accessors": [{"bufferView": 0, "count": 3, "componentType": 5126}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}]})";
    const std::pair<std::string, std::string> cases[] = {
        {R"("byteLength": 36)", "JSON glTF non valido: buffer 0 più corto della sua lunghezza"},
        {R"("uri": "m.bin")",
            "File glTF non leggibile: https://example.org/m.bin (un buffer si legge solo dalla cartella del "
            "file glTF)"},
        {R"("count": 3)", "JSON glTF non valido: accessor 0 fuori dai limiti del suo buffer o non valido"},
    };
    const std::string spoilt[]
        = {R"("byteLength": 37)", R"("uri": "https://example.org/m.bin")", R"("count": 4)"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TemporaryFolder folder;
        writeFile(folder / "m.bin", std::string(reinterpret_cast<const char*>(triangle), sizeof triangle));
        auto text = document;
        writeFile(
            folder / "m.gltf", text.replace(text.find(cases[i].first), cases[i].first.size(), spoilt[i]));
        writeFile(folder / "z.obj", "v 0 0 0\n");
        try {
            importWith(optionsFor(folder.path()));
            ADD_FAILURE() << spoilt[i];
        } catch (const ImportError& error) {
            EXPECT_EQ(std::string(error.what()),
                "Nessuna struttura anatomica ricostruita dal dataset. Primo file non riuscito: "
                    + (folder / "m.gltf").string() + " — " + cases[i].second);
        }
    }
}

TEST_F(GenericDatasetImporterTest, namesLoseControlAndBidirectionalCharacters)
{
    TemporaryFolder folder;
    writeGLB(folder / "names.glb",
        {triangleMesh("\x1b[31mFemur\x07"), triangleMesh("Tibia\tsinistra", {3, 0, 0}),
            triangleMesh("\xE2\x80\xAEortsinis\xE2\x81\xA6", {6, 0, 0}),
            triangleMesh("\xC2\x9B", {9, 0, 0})});
    importWith(optionsFor(folder / "names.glb"));
    std::vector<std::string> names;
    for (const auto& structure : AnatomyDB(AppPaths::databaseURL("prova"), true).allStructures())
        names.push_back(structure.nameEN);
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string> {"Tibia sinistra", "[31mFemur", "ortsinis", "structure 3"}));
}

// A Latin-1 name ("fégato") as an STL solid line and an Alembic object carry it:
// stored as UTF-8 with U+FFFD for the byte, and the whole dataset exports, as
// it does with the raw name of a dataset imported before names were repaired.
TEST_F(GenericDatasetImporterTest, namesInAnyEncodingAreStoredAsUTF8AndTheDatasetExports)
{
    const std::string latin1 = "f\xe9gato", repaired = "f\uFFFDgato";
    const std::pair<const char*, std::string> cases[] = {
        {"fegato.stl",
            "solid " + latin1
                + "\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
                  "endfacet\nendsolid "
                + latin1 + "\n"},
        {"fegato.abc", alembicMesh(latin1, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2})},
    };
    for (const auto& [file, bytes] : cases) {
        SCOPED_TRACE(file);
        TemporaryFolder folder;
        writeFile(folder / file, bytes);
        importWith(optionsFor(folder / file));
        AnatomyDB db(AppPaths::databaseURL("prova"), true);
        const auto structures = db.allStructures();
        ASSERT_EQ(structures.size(), 1u);
        EXPECT_EQ(structures[0].nameEN, repaired);
        EXPECT_EQ(structures[0].conceptID, repaired);
        MeshPack pack(AppPaths::packURL("prova"));
        EXPECT_NE(exportedText(pack, {{0, structures[0].displayName()}}).find(repaired), std::string::npos);
        EXPECT_NE(
            exportedText(pack, {{0, "vecchio " + latin1}}).find("vecchio " + repaired), std::string::npos);
    }
}

// Ids come from names lower-cased without what shows nothing or breaks a line;
// a name of nothing else gives the id its position would. The name stays.
TEST_F(GenericDatasetImporterTest, structureIdsLeaveOutWhatShowsNothing)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\u3164\u3164", "structure_0"},
        {"Left\u2028Femur\u2029", "leftfemur"},
        {"zero\u200bwidth\u115f", "zerowidth"},
        {"\u2028\uffa0\u2029", "structure_3"},
        {"cuore\u2764\ufe0f", "cuore\u2764\ufe0f"},
    };
    std::vector<MeshPackBuilder::Mesh> meshes;
    for (const auto& [name, id] : cases)
        meshes.push_back(triangleMesh(name, {float(2 * meshes.size()), 0, 0}));
    TemporaryFolder folder;
    writeGLB(folder / "names.glb", std::move(meshes));
    importWith(optionsFor(folder / "names.glb"));
    AnatomyDB db(AppPaths::databaseURL("prova"), true);
    for (const auto& [name, id] : cases) {
        auto structure = db.structure(id);
        ASSERT_TRUE(structure) << id;
        EXPECT_EQ(structure->nameEN, name);
    }
}

TEST_F(GenericDatasetImporterTest, refusesUnusableDatasetIDsAndUnitsBeforeWritingAnything)
{
    TemporaryFolder folder;
    writeFile(folder / "model.obj", OBJText().box({0, 0, 0}, {1, 1, 1}).text());
    // Ids as a display name typed by the user would give them.
    for (const std::string& id : std::vector<std::string> {
             "atlante/mio", "..", ".nascosto", "", "a\nb", std::string(201, 'x'), "\u3164"})
        EXPECT_THROW(importWith(optionsFor(folder / "model.obj", id)), AppPaths::InvalidDatasetID) << id;
    for (float units :
        {0.f, -1.f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        auto options = optionsFor(folder / "model.obj");
        options.unitsPerMillimeter = units;
        EXPECT_EQ(failureKind(options), ImportError::Kind::invalidUnits) << units;
    }
    EXPECT_TRUE(datasetsFolderEntries().empty());
    EXPECT_FALSE(fs::exists(AppPaths::datasetsDirectory().parent_path() / "atlante"));
    EXPECT_FALSE(fs::exists(AppPaths::datasetsDirectory().parent_path() / "mio"));
}

TEST_F(GenericDatasetImporterTest, aFailedImportKeepsThePreviousDataset)
{
    TemporaryFolder folder;
    writeFile(folder / "old.obj", OBJText().box({0, 0, 0}, {1, 1, 1}).text());
    writeFile(folder / "new" / "x.obj", OBJText().box({0, 0, 0}, {2, 2, 2}).text());
    writeFile(folder / "new" / "y.obj", OBJText().box({5, 0, 0}, {6, 2, 2}).text());
    importWith(optionsFor(folder / "old.obj"));
    {
        AnatomyDB db(AppPaths::databaseURL("prova"));
        db.setNote("da ricordare", "old");
    }
    const auto manifestBefore = readFile(AppPaths::manifestURL("prova"));
    const auto packBefore = readFile(AppPaths::packURL("prova"));

    // Stopped while the files are read, while the meshes are prepared, and
    // once the new pack is written and the database is begun.
    struct Interrupted { };
    for (std::string stopAt : {"Lettura y.obj…", "Geometria 0/2…", "Costruzione del database anatomico…"}) {
        EXPECT_THROW(GenericDatasetImporter(optionsFor(folder / "new")).run([&](const ImportProgress& p) {
            if (p.message == stopAt)
                throw Interrupted {};
        }),
            Interrupted)
            << stopAt;
        EXPECT_EQ(readFile(AppPaths::manifestURL("prova")), manifestBefore);
        EXPECT_EQ(readFile(AppPaths::packURL("prova")), packBefore);
        AnatomyDB db(AppPaths::databaseURL("prova"), true);
        EXPECT_EQ(db.note("old"), "da ricordare");
        EXPECT_EQ(datasetsFolderEntries(), std::vector<std::string> {"prova"});
    }

    // A staging folder left by a crash is cleared; a complete import replaces
    // the dataset but not the user's rows, also those of a concept it lacks, and
    // leaves nothing beside it. A connection still open on the replaced file
    // (the viewer's) cannot store a note where it would be lost.
    writeFile(AppPaths::datasetsDirectory() / ".prova.incoming" / "stale.txt", "x");
    AnatomyDB viewer(AppPaths::databaseURL("prova"));
    auto imported = importWith(optionsFor(folder / "new"));
    EXPECT_EQ(imported.result.manifest.structureCount, 2);
    EXPECT_EQ(datasetsFolderEntries(), std::vector<std::string> {"prova"});
    EXPECT_EQ(viewer.setNote("persa?", "x"), std::nullopt);
    AnatomyDB db(AppPaths::databaseURL("prova"), true);
    EXPECT_EQ(db.note("old"), "da ricordare");
    EXPECT_FALSE(db.note("x"));
    EXPECT_FALSE(db.structure("old"));
    EXPECT_TRUE(db.structure("x"));
    EXPECT_FALSE(fs::exists(AppPaths::datasetDirectory("prova") / "stale.txt"));
}
