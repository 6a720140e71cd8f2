#include "AnatomyImport/Readers/GLTFLoader.h"
#include "DatasetFixtures.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sqlite3.h>

#include <set>

namespace morvena::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

std::set<std::string> keys(const json& object)
{
    std::set<std::string> names;
    for (const auto& [key, value] : object.items())
        names.insert(key);
    return names;
}

std::set<std::string> filesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder))
        if (item.is_regular_file())
            names.insert(item.path().filename().string());
    return names;
}

// The meshes GLTFLoader reads back from a written model.
std::size_t meshesIn(const fs::path& model)
{
    auto meshes = GLTFLoader::load(model);
    for (const auto& mesh : meshes)
        EXPECT_FALSE(mesh.isEmpty()) << model;
    return meshes.size();
}

const std::set<std::string> recordKeys {"fma", "it", "la", "en", "synonyms", "system", "systemKey", "region",
    "side", "description", "function", "origin", "insertion", "innervation", "bloodSupply", "clinical",
    "curated", "dataset", "triangles", "sizeMM", "related", "ancestry", "en_card"};
const std::set<std::string> cardKeys {"name", "la", "system", "region", "side", "description", "function",
    "origin", "insertion", "innervation", "bloodSupply", "clinical", "curated"};

class ExportWeb : public ::testing::Test {
protected:
    ToolSandbox::Result exportWeb(std::vector<std::string> extra = {})
    {
        std::vector<std::string> arguments {"export-web", "--out", out.string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return sandbox.run(arguments);
    }
    json document(const fs::path& relative) const { return json::parse(readFile(out / relative)); }

    ToolSandbox sandbox;
    fs::path out = sandbox.root() / "web";
};

TEST_F(ExportWeb, limitedExportWritesRecordsModelsAndDocuments)
{
    auto dataset = sampleDataset();
    dataset.add("FMA50801", "Brain", AnatomySystem::nervous, ellipsoidMesh({0, 800, 0}, {70, 60, 80}));
    auto folder = dataset.install(sandbox.dataHome());
    // The heart gets 24 relations and a part-of chain of 9 ancestors.
    std::vector<AnatomyRelation> relations;
    for (auto kind : allRelationKinds())
        for (const char* other : {"FMA24486", "FMA24485", "FMA9465", "FMA7163"})
            relations.push_back({"FMA7088", other, kind, FieldSource::dataset});
    std::vector<TaxonomyNode> ancestors;
    std::vector<AnatomyDB::TaxonomyEdge> chain;
    std::string child = "FMA7088";
    for (int level = 1; level <= 9; ++level) {
        std::string parent = "FMA90" + std::to_string(level);
        ancestors.push_back({parent, "Ancestor " + std::to_string(level), std::nullopt, false, 1});
        chain.push_back({parent, child, "partOf"});
        child = parent;
    }
    ancestors[0].nameIT = "antenato uno";
    addAnatomy(folder, ancestors, chain, relations);

    auto result = exportWeb({"--limit", "5"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(lines(result.out),
        ElementsAre("Esportazione web in " + out.string(), "  modelli    5 file .glb (LOD 1)",
            "  schede     5 file .json", "  dimensione 0 MB di geometria"));
    EXPECT_EQ(result.err, "\r  0/5 strutture…\r");

    // The first five by English name: Biceps brachii, Brain, Heart, Left femur, Right femur.
    std::set<std::string> kept {"FMA9465", "FMA50801", "FMA7088", "FMA24486", "FMA24485"};
    std::set<std::string> records, models;
    for (const auto& id : kept) {
        records.insert(id + ".json");
        models.insert(id + ".glb");
    }
    EXPECT_EQ(filesIn(out / "data" / "s"), records);
    EXPECT_EQ(filesIn(out / "models"), models);
    EXPECT_EQ(filesIn(out / "models" / "context"), (std::set<std::string> {"cute.glb", "scheletro.glb"}));

    for (const auto& id : kept) {
        SCOPED_TRACE(id);
        auto record = document(fs::path("data") / "s" / (id + ".json"));
        EXPECT_EQ(keys(record), recordKeys);
        EXPECT_EQ(keys(record["en_card"]), cardKeys);
        EXPECT_EQ(record["fma"], id);
        EXPECT_EQ(meshesIn(out / "models" / (id + ".glb")), 1u);
    }
    EXPECT_EQ(meshesIn(out / "models" / "context" / "scheletro.glb"), 2u);
    EXPECT_EQ(meshesIn(out / "models" / "context" / "cute.glb"), 1u);

    auto heart = document("data/s/FMA7088.json");
    EXPECT_EQ(heart["it"], "cuore");
    EXPECT_EQ(heart["la"], nullptr);
    EXPECT_EQ(heart["system"], "Cuore");
    EXPECT_EQ(heart["systemKey"], 10);
    EXPECT_EQ(heart["side"], "Impari / mediano");
    EXPECT_EQ(heart["curated"], false);
    // The first 14 of the database's 24 relations, in its order.
    auto allRelated = AnatomyDB(folder / "anatomy.sqlite", true).related("FMA7088");
    ASSERT_EQ(allRelated.size(), 24u);
    ASSERT_EQ(heart["related"].size(), 14u);
    for (std::size_t i = 0; i < 14; ++i)
        EXPECT_EQ(heart["related"][i],
            (json {{"id", allRelated[i].conceptID}, {"name", allRelated[i].name},
                {"kind", italianName(allRelated[i].kind)}}));
    ASSERT_EQ(heart["ancestry"].size(), 6u);
    EXPECT_EQ(heart["ancestry"][0], (json {{"id", "FMA901"}, {"name", "antenato uno"}}));
    EXPECT_EQ(heart["ancestry"][5], (json {{"id", "FMA906"}, {"name", "Ancestor 6"}}));
    // Level 1 of an ellipsoid with only level 0 falls back to level 0's triangles.
    EXPECT_EQ(heart["triangles"], 12 * 6 * 2);
    EXPECT_NEAR(heart["sizeMM"][0].get<double>(), 80.0, 0.01);
    EXPECT_NEAR(heart["sizeMM"][1].get<double>(), 100.0, 0.01);
    auto card = heart["en_card"];
    EXPECT_EQ(card["name"], "Heart");
    EXPECT_EQ(card["system"], "Heart");

    auto index = document("data/index.json");
    ASSERT_EQ(index.size(), 5u);
    EXPECT_EQ(index[0]["fma"], "FMA9465");
    EXPECT_EQ(index[0]["it"], nullptr);
    EXPECT_EQ(keys(index[0]), (std::set<std::string> {"fma", "it", "en", "la", "sys", "reg", "c", "ce"}));

    auto systems = document("data/systems.json");
    std::vector<int> systemKeys;
    for (const auto& system : systems)
        systemKeys.push_back(system["key"]);
    EXPECT_THAT(systemKeys, ElementsAre(1, 2, 7, 10, 17));
    EXPECT_EQ(systems[0]["count"], 2);
    EXPECT_EQ(systems[0]["name"], "Scheletro");

    auto meta = document("data/meta.json");
    EXPECT_EQ(meta["dataset"], "Dataset di prova");
    EXPECT_EQ(meta["structures"], 5);
    EXPECT_EQ(meta["lod"], 1);
    EXPECT_THAT(meta["generated"].get<std::string>(), ::testing::MatchesRegex("20[0-9-]+T[0-9:]+Z"));
}

TEST_F(ExportWeb, withoutSkinOrManifestTheContextAndMetaFallBack)
{
    auto folder = sampleDataset("plain", false).install(sandbox.dataHome());
    fs::remove(folder / "manifest.json");

    for (const auto* limit : {"0", "-3", "tutte"}) {
        auto result = exportWeb({"--id", "plain", "--limit", limit, "--lod", "x"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_THAT(result.out, HasSubstr("  schede     4 file .json")) << limit;
        EXPECT_THAT(result.out, HasSubstr("(LOD 1)"));
    }
    EXPECT_EQ(filesIn(out / "models" / "context"), (std::set<std::string> {"scheletro.glb"}));
    auto meta = document("data/meta.json");
    EXPECT_EQ(meta["dataset"], "BodyParts3D 4.0");
    EXPECT_EQ(meta["license"], "CC BY 4.0");
    EXPECT_EQ(meta["attribution"], "");
    EXPECT_EQ(meta["sourceURL"], "");
    EXPECT_EQ(meta["structures"], 4);

    // A level wider than 32 bits is reported, in the summary and the metadata, as given.
    auto wide = exportWeb({"--id", "plain", "--limit", "1", "--lod", "4294967297"});
    ASSERT_EQ(wide.status, 0) << wide.err;
    EXPECT_THAT(wide.out, HasSubstr("  modelli    1 file .glb (LOD 4294967297)\n"));
    EXPECT_EQ(document("data/meta.json")["lod"], 4294967297LL);
}

TEST_F(ExportWeb, conceptIDsNeverNameFilesOutsideTheirFolderOrTwice)
{
    TestDataset dataset("hostile");
    const std::vector<std::string> ids {
        "../../escaped", "a/b", "a_b", ".hidden", "tab\there", "back\\slash", "FMA1"};
    for (std::size_t i = 0; i < ids.size(); ++i)
        dataset.add(ids[i], "Structure " + std::to_string(i), AnatomySystem::skeletal,
            ellipsoidMesh({float(i) * 10, 0, 0}, {4, 4, 4}));
    dataset.install(sandbox.dataHome());

    auto result = exportWeb();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(filesIn(out / "data" / "s"),
        (std::set<std::string> {"_._.._escaped.json", "a_b.json", "a_b~2.json", "_hidden.json",
            "tab_here.json", "back_slash.json", "FMA1.json"}));
}

TEST_F(ExportWeb, meshIndexOutsideThePackGivesARecordWithoutModel)
{
    auto folder = sampleDataset().install(sandbox.dataHome());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder / "anatomy.sqlite").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE structures SET mesh_index = 999 WHERE concept_id = 'FMA9465'", nullptr,
                  nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);

    auto result = exportWeb();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("  modelli    4 file .glb"));
    EXPECT_THAT(result.out, HasSubstr("  schede     5 file .json"));
    EXPECT_FALSE(fs::exists(out / "models" / "FMA9465.glb"));
    auto record = document("data/s/FMA9465.json");
    EXPECT_EQ(record["triangles"], 0);
    EXPECT_EQ(record["sizeMM"], json::array({0, 0, 0}));
}

TEST(ExportWebRefusals, missingDatasetOrOutputFolder)
{
    ToolSandbox sandbox;
    auto none = sandbox.run({"export-web", "--out", (sandbox.root() / "web").string()});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "Nessun dataset.\n");
    EXPECT_FALSE(fs::exists(sandbox.root() / "web"));

    sampleDataset().install(sandbox.dataHome());
    auto noOut = sandbox.run({"export-web", "--limit", "2"});
    EXPECT_EQ(noOut.status, 2);
    EXPECT_THAT(noOut.out, HasSubstr("mrvtool export-web --out <dir>"));

    auto escaping
        = sandbox.run({"export-web", "--id", "../../home", "--out", (sandbox.root() / "web").string()});
    EXPECT_EQ(escaping.status, 1);
    EXPECT_THAT(escaping.err, ::testing::StartsWith("\nErrore: Identificativo di dataset non valido"));

    auto unwritable = sandbox.run({"export-web", "--out", "/proc/mrvtool-web"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_THAT(
        unwritable.err, ::testing::StartsWith("\nErrore: Impossibile creare la cartella /proc/mrvtool-web"));
}

} // namespace
} // namespace morvena::test
