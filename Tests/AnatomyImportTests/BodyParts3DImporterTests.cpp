#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DGeometry.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/ImportError.h"
#include "SyntheticRelease.h"
#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace morvena;
using morvena::test::readFile;
using morvena::test::SyntheticRelease;
using morvena::test::TemporaryFolder;
using morvena::test::Triangle;
using morvena::test::writeFile;
using testing::ElementsAre;
using testing::UnorderedElementsAre;

namespace {

struct Run {
    BodyParts3DImporter::Result result;
    std::vector<ImportProgress> reports;
};

Run importRelease(const BodyParts3DImporter::Options& options)
{
    Run run;
    run.result = BodyParts3DImporter(options).run([&](const ImportProgress& p) { run.reports.push_back(p); });
    return run;
}

std::set<std::string> entries(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

const std::string expectedNote = "asse latero-laterale da left humerus / right humerus; "
                                 "asse cranio-caudale da mandible / right talus; "
                                 "asse antero-posteriore da mandible / occipital bone; "
                                 "terna sinistrorsa corretta invertendo l'avvolgimento";

} // namespace

TEST(BodyParts3DImport, buildsTheDatasetFromASyntheticRelease)
{
    SyntheticRelease release;
    auto [result, reports] = importRelease(release.options());

    EXPECT_THAT(result.missingOBJ, ElementsAre("FMA200", "FMA300"));
    EXPECT_THAT(result.unclassified, ElementsAre("FMA100\tmystery blob"));
    EXPECT_EQ(result.packURL, AppPaths::packURL("bp3d-prova"));
    EXPECT_EQ(result.databaseURL, AppPaths::databaseURL("bp3d-prova"));
    EXPECT_EQ(entries(AppPaths::datasetDirectory("bp3d-prova")),
        (std::set<std::string> {"anatomy.sqlite", "geometry.mrvpack", "manifest.json"}));

    EXPECT_EQ(reports,
        (std::vector<ImportProgress> {{0.01, "Lettura dei metadati FMA…"},
            {0.03, "Indicizzazione dei file OBJ…"}, {0.05, "Lettura geometria 0/12…"},
            {0.52, "Determinazione di orientamento e scala…"}, {0.55, "Costruzione geometria 0/11…"},
            {0.87, "Scrittura del pack geometrico…"}, {0.90, "Costruzione del database anatomico…"},
            {1.0, "Importazione completata."}}));

    const auto& manifest = result.manifest;
    EXPECT_EQ(DatasetManifest::read(AppPaths::manifestURL("bp3d-prova")), manifest);
    EXPECT_EQ(manifest.id, "bp3d-prova");
    EXPECT_EQ(manifest.displayName, "BodyParts3D 4.0 (DBCLS)");
    EXPECT_EQ(manifest.version, "4.0");
    EXPECT_EQ(manifest.license, "CC BY 4.0");
    EXPECT_EQ(manifest.attribution, BodyParts3DImporter::attribution);
    EXPECT_EQ(manifest.structureCount, 11);
    // Seven bones, the heart, the liver, the skin and the blob no name places.
    EXPECT_EQ(manifest.systemCounts,
        (std::map<std::string, std::int64_t> {{"0", 1}, {"1", 7}, {"10", 1}, {"12", 1}, {"17", 1}}));
    EXPECT_THAT(manifest.missingSystems, testing::Contains("Muscoli"));
    EXPECT_THAT(manifest.missingSystems, testing::Not(testing::Contains("Scheletro")));
    EXPECT_EQ(manifest.notes,
        "Orientamento rilevato dai dati: " + expectedNote
            + ". Scala: unità del dataset interpretate come millimetri; altezza del modello 1700 mm. "
              "Strutture senza sistema assegnato: 1. Concetti con element file mancanti: 2.");

    AnatomyDB db(result.databaseURL, true);
    std::map<std::string, std::string> meta;
    for (const char* key : {"dataset", "attribution", "license", "sourceURL", "orientation", "units",
             "isaRoot", "partofRoot", "conceptCount", "bodyHeightMM"})
        meta[key] = db.meta(key).value_or("<assente>");
    EXPECT_EQ(meta,
        (std::map<std::string, std::string> {{"dataset", "BodyParts3D 4.0"},
            {"attribution", std::string(BodyParts3DImporter::attribution)}, {"license", "CC BY 4.0"},
            {"sourceURL", std::string(BodyParts3DImporter::sourceURL)}, {"orientation", expectedNote},
            {"units", "millimetri; unità del dataset interpretate come millimetri"}, {"isaRoot", "FMA62955"},
            {"partofRoot", "FMA20394"}, {"conceptCount", "13"}, {"bodyHeightMM", "1700.0"}}));
}

TEST(BodyParts3DImport, mirroredReleaseIsTurnedIntoTheBodyFrameWithOutwardTriangles)
{
    SyntheticRelease release;
    auto result = importRelease(release.options()).result;
    MeshPack pack(result.packURL);
    auto structureOf = [&](const std::string& conceptID) -> const PackStructure& {
        return pack.structures()[static_cast<std::size_t>(pack.indexByConceptID().at(conceptID))];
    };

    // Each file's triangles come back with their second and third corners
    // swapped, in file order.
    const auto& mandible = structureOf("FMA52748");
    auto indices = pack.indices().subspan(mandible.lod0Start, mandible.lod0Count);
    const auto& written = release.triangles("FJ3");
    ASSERT_EQ(indices.size(), written.size() * 3);
    for (std::size_t t = 0; t < written.size(); ++t) {
        EXPECT_EQ(indices[3 * t] - mandible.vertexStart, written[t][0]);
        EXPECT_EQ(indices[3 * t + 1] - mandible.vertexStart, written[t][2]);
        EXPECT_EQ(indices[3 * t + 2] - mandible.vertexStart, written[t][1]);
    }

    // The body is centred, its left at +x, its head at +y, its front at +z.
    Float3 left = structureOf("FMA23131").center(), right = structureOf("FMA23130").center();
    Float3 head = structureOf("FMA52748").center(), foot = structureOf("FMA24482").center();
    Float3 back = structureOf("FMA52735").center();
    EXPECT_GT(left.x - right.x, 300);
    EXPECT_GT(head.y - foot.y, 1000);
    EXPECT_GT(head.z - back.z, 100);
    EXPECT_NEAR(pack.boundsMin().y, -850, 0.01);
    EXPECT_NEAR(pack.boundsMax().y, 850, 0.01);

    // After the mirror the turned triangles face outwards again.
    const auto& skin = structureOf("FMA400");
    for (std::uint32_t v = skin.vertexStart; v < skin.vertexStart + skin.vertexCount; ++v) {
        auto vertex = pack.vertices()[v];
        Float3 outwards = vertex.position() - skin.center();
        Float3 normal = vertex.normal();
        ASSERT_GT(outwards.x * normal.x + outwards.y * normal.y + outwards.z * normal.z, 0) << v;
    }
    EXPECT_GT(skin.lod1Count, 0u); // 3,200 triangles: levels of detail were built
    EXPECT_LT(skin.lod1Count, skin.lod0Count);
    EXPECT_EQ(mandible.lod1Count, 0u); // too small for them
}

TEST(BodyParts3DImport, storesHierarchiesCoverageAndRelationsOfMeshedConcepts)
{
    SyntheticRelease release;
    auto result = importRelease(release.options()).result;
    MeshPack pack(result.packURL);
    const auto& index = pack.indexByConceptID();
    AnatomyDB db(result.databaseURL, true);

    auto sorted = [](std::vector<std::int64_t> values) {
        std::sort(values.begin(), values.end());
        return values;
    };
    auto indicesOf = [&](std::initializer_list<const char*> concepts) {
        std::vector<std::int64_t> values;
        for (const auto* conceptID : concepts)
            values.push_back(index.at(conceptID));
        return sorted(values);
    };
    // A grouping concept covers the structures of its element files; FJ13
    // belongs to the femur, the later structure that carries it.
    EXPECT_EQ(sorted(db.meshIndicesOfConcept("FMA5018")),
        indicesOf({"FMA23131", "FMA23130", "FMA52748", "FMA24482", "FMA52735", "FMA700"}));
    EXPECT_EQ(sorted(db.meshIndicesOfConcept("FMA24475")), indicesOf({"FMA700"}));
    EXPECT_EQ(sorted(db.meshIndicesOfConcept("FMA9999")), indicesOf({"FMA7088"})); // from the part-of list
    EXPECT_TRUE(db.meshIndicesOfConcept("FMA200").empty());

    auto femur = db.structure("FMA700");
    ASSERT_TRUE(femur);
    EXPECT_EQ(femur->meshIndex, index.at("FMA700"));
    EXPECT_EQ(femur->system, AnatomySystem::skeletal);
    EXPECT_EQ(femur->datasetName, "BodyParts3D 4.0");
    EXPECT_FALSE(db.structure("FMA200")); // no geometry, no structure
    auto leftHumerus = db.structure("FMA23131");
    ASSERT_TRUE(leftHumerus);
    EXPECT_EQ(leftHumerus->laterality, Laterality::left);

    auto isaChildren = db.children("FMA5018", "isA");
    std::set<std::string> isaIDs;
    for (const auto& node : isaChildren)
        isaIDs.insert(node.id);
    EXPECT_EQ(isaIDs,
        (std::set<std::string> {"FMA23131", "FMA23130", "FMA52748", "FMA24482", "FMA52735", "FMA700"}));

    // The part-of child without a mesh of its own gets its edge (it covers the
    // heart) but no relation; the kidney, covering nothing, gets neither.
    std::set<std::string> partofIDs;
    for (const auto& node : db.children("FMA20394", "partOf"))
        partofIDs.insert(node.id);
    EXPECT_EQ(partofIDs, (std::set<std::string> {"FMA7088", "FMA9999"}));
    auto heartRelations = db.related("FMA7088");
    ASSERT_EQ(heartRelations.size(), 1u);
    EXPECT_EQ(heartRelations[0].conceptID, "FMA20394");
    EXPECT_EQ(heartRelations[0].kind, RelationKind::partOf);
    EXPECT_FALSE(heartRelations[0].incoming);
    EXPECT_TRUE(db.related("FMA9999").empty());
    EXPECT_TRUE(db.related("FMA200").empty());
}

TEST(BodyParts3DImport, theUnitFollowsTheBodysHeight)
{
    // 1,700 units are millimetres; 1.7 units fall in the decimetre row, which
    // reaches down to 0.5 units.
    for (float height : {1.7f, 1700.0f}) {
        const bool small = height < 10;
        SyntheticRelease release(height);
        auto options = release.options("altezza", false);
        options.weldTolerance = height / 1e6f;
        auto result = importRelease(options).result;
        AnatomyDB db(result.databaseURL, true);
        EXPECT_EQ(db.meta("bodyHeightMM"), small ? "170.0" : "1700.0") << height;
        EXPECT_EQ(db.meta("units"),
            small ? "millimetri; unità del dataset interpretate come decimetri"
                  : "millimetri; unità del dataset interpretate come millimetri");
        MeshPack pack(result.packURL);
        EXPECT_NEAR(pack.boundsMax().y - pack.boundsMin().y, small ? 170 : 1700, 0.5);
        for (const auto& structure : pack.structures())
            EXPECT_EQ(structure.lod1Count, 0u); // levels of detail were not asked for
    }

    using BodyParts3DGeometry::unitForHeight;
    EXPECT_EQ(unitForHeight(4000).first, 1);
    EXPECT_EQ(unitForHeight(500).first, 1);
    EXPECT_EQ(unitForHeight(499.9f).first, 10);
    EXPECT_EQ(unitForHeight(50).first, 10);
    EXPECT_EQ(unitForHeight(49.9f),
        std::make_pair(100.0f, std::string("unità del dataset interpretate come decimetri")));
    EXPECT_EQ(unitForHeight(5).first, 100);
    EXPECT_EQ(unitForHeight(1.7f).first, 100);
    EXPECT_EQ(unitForHeight(0.5f).first, 100);
    EXPECT_EQ(unitForHeight(0.49f).first, 1000);
    EXPECT_EQ(unitForHeight(0.3f).first, 1000);
    EXPECT_EQ(unitForHeight(4000.5f).first, 1000);
    EXPECT_EQ(unitForHeight(std::nanf("")).first, 1000);
}

TEST(BodyParts3DImport, aFailedImportLeavesThePreviousDatasetAsItWas)
{
    SyntheticRelease release;
    auto first = importRelease(release.options()).result;
    auto folder = AppPaths::datasetDirectory("bp3d-prova");
    {
        AnatomyDB db(first.databaseURL);
        db.setNote("nota dell'utente", "FMA7088");
    }
    auto before = std::map<std::string, std::string> {};
    for (const auto& name : entries(folder))
        before[name] = readFile(folder / name);

    // Cancelled at each later step, by a progress function that throws.
    for (double stopAt : {0.52, 0.87, 0.90}) {
        auto stop = [&](const ImportProgress& p) {
            if (p.fraction == stopAt)
                throw std::runtime_error("annullato");
        };
        EXPECT_THROW(BodyParts3DImporter(release.options()).run(stop), std::runtime_error);
        std::map<std::string, std::string> after;
        for (const auto& name : entries(folder))
            after[name] = readFile(folder / name);
        EXPECT_EQ(after, before) << stopAt;
        EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetsDirectory() / ".bp3d-prova.incoming"));
    }
    // Failed by its input.
    auto options = release.options();
    options.objDir = release.metadata.path();
    EXPECT_THROW(BodyParts3DImporter(options).run([](const ImportProgress&) {}), ImportError);
    AnatomyDB db(first.databaseURL, true);
    EXPECT_EQ(db.note("FMA7088"), "nota dell'utente");
}

TEST(BodyParts3DImport, aNewImportStartsFromAnEmptyDatabaseWithoutStaleSideFiles)
{
    SyntheticRelease release;
    auto first = importRelease(release.options()).result;
    {
        AnatomyDB db(first.databaseURL);
        db.setNote("resta", "FMA7088");
    }
    auto folder = AppPaths::datasetDirectory("bp3d-prova");
    // Left by a process that died with the old database open; SQLite would
    // otherwise replay them into the new file.
    for (const char* side : {"anatomy.sqlite-wal", "anatomy.sqlite-shm", "anatomy.sqlite-journal"})
        writeFile(folder / side, std::string(4096, 'x'));

    auto second = importRelease(release.options()).result;
    EXPECT_EQ(
        entries(folder), (std::set<std::string> {"anatomy.sqlite", "geometry.mrvpack", "manifest.json"}));
    AnatomyDB db(second.databaseURL, true);
    EXPECT_EQ(db.note("FMA7088"), "resta"); // the user's, not the import's to drop
    EXPECT_EQ(db.allStructures().size(), 11u);
}

TEST(BodyParts3DImport, theSameInputAlwaysGivesTheSameDataset)
{
    SyntheticRelease release;
    auto first = importRelease(release.options("uno")).result;
    // A copy of the OBJ folder under another layout (other creation order,
    // hence other directory order) gives the same pack byte for byte.
    TemporaryFolder shuffled("bp3d-copia");
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(release.objFolder.path()))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::reverse(files.begin(), files.end());
    for (const auto& file : files)
        writeFile(shuffled / std::filesystem::relative(file, release.objFolder.path()), readFile(file));
    auto options = release.options("due");
    options.objDir = shuffled.path();
    auto second = importRelease(options).result;

    EXPECT_EQ(readFile(first.packURL), readFile(second.packURL));
    EXPECT_EQ(first.unclassified, second.unclassified);
    EXPECT_EQ(first.missingOBJ, second.missingOBJ);
    EXPECT_EQ(first.manifest.notes, second.manifest.notes);
}

TEST(BodyParts3DImport, inputThatYieldsNothingFailsWithoutWriting)
{
    SyntheticRelease release;
    auto expectFailure = [](const BodyParts3DImporter::Options& options, const ImportError& expected) {
        try {
            BodyParts3DImporter(options).run([](const ImportProgress&) {});
            ADD_FAILURE() << "no error";
        } catch (const ImportError& error) {
            EXPECT_EQ(error, expected);
        }
        EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetsDirectory() / options.datasetID));
        EXPECT_FALSE(
            std::filesystem::exists(AppPaths::datasetsDirectory() / ("." + options.datasetID + ".incoming")));
    };

    auto options = release.options("vuoto");
    options.objDir = release.metadata / "assente";
    expectFailure(options, ImportError::noOBJFiles(options.objDir.string()));

    options = release.options("vuoto");
    std::filesystem::remove(release.metadata / "isa_inclusion_relation_list.txt");
    expectFailure(options, ImportError::missingMetadata("isa_inclusion_relation_list.txt"));

    // Every listed element file is missing.
    writeFile(release.metadata / "isa_inclusion_relation_list.txt",
        "parent id\tparent name\tchild id\tchild name\n");
    writeFile(
        release.metadata / "isa_element_parts.txt", "concept id\tname\telement file id\nFMA1\tx\tFJ404\n");
    expectFailure(options, ImportError::noStructures());
    writeFile(release.metadata / "isa_element_parts.txt", "concept id\tname\telement file id\n");
    expectFailure(options, ImportError::noStructures());
}

TEST(BodyParts3DOBJIndex, findsEveryObjFileByNameInPathOrder)
{
    TemporaryFolder folder("obj-index");
    writeFile(folder / "a" / "FJ1.obj", "");
    writeFile(folder / "b" / "FJ1.obj", "");
    writeFile(folder / ".nascosta" / "FJ2.OBJ", "");
    writeFile(folder / "FJ3.Obj", "");
    writeFile(folder / "FJ4.objx", "");
    writeFile(folder / "FJ5.mtl", "");
    std::filesystem::create_directories(folder / "cartella.obj");

    auto index = BodyParts3DGeometry::indexOBJFiles(folder.path());
    EXPECT_EQ(index,
        (BodyParts3DGeometry::OBJIndex {{"FJ1", folder / "b" / "FJ1.obj"},
            {"FJ2", folder / ".nascosta" / "FJ2.OBJ"}, {"FJ3", folder / "FJ3.Obj"}}));
    EXPECT_TRUE(BodyParts3DGeometry::indexOBJFiles(folder / "assente").empty());
}
