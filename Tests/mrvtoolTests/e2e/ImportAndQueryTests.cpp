// The import commands and the read-only inspection commands, driven through the
// real mrvtool binary in a home of their own.
#include "AnatomyCore/Storage/DatasetLock.h"
#include "BodyParts3DData.h"
#include "DatasetFixtures.h"
#include "SharedData.h"
#include "SyntheticRelease.h"
#include "TestDataset.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace morvena;
using namespace morvena::test;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

constexpr std::string_view usageHead = "mrvtool — strumenti dataset di Morvena\n";

// Three named boxes in one OBJ file, in centimetres-sized units.
constexpr const char* threeObjects = R"(o Femur
v 0 0 0
v 10 0 0
v 10 10 0
v 0 10 0
f 1 2 3
f 1 3 4
o Heart
v 20 0 0
v 30 0 0
v 30 10 0
f 5 6 7
o Skin
v 40 0 0
v 50 0 0
v 50 10 0
f 8 9 10
)";

std::vector<std::string> importWords(const std::filesystem::path& input, const std::string& id)
{
    return {"import", "--input", input.string(), "--id", id, "--name", "Modello di prova", "--license", "CC0",
        "--attribution", "Autori di prova", "--source", "https://example.org/modello"};
}

std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

TEST(ToolCommandLine, noWordsOrAnUnknownWordGiveTheUsageAndStatusTwo)
{
    ToolSandbox sandbox;
    auto none = sandbox.run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_THAT(none.out, StartsWith(std::string(usageHead)));
    EXPECT_FALSE(std::filesystem::exists(sandbox.dataHome() / "Morvena" / "datasets"));

    auto unknown = sandbox.run({"List"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.out,
        HasSubstr("I percorsi dei dataset installati stanno in\n  "
            + (sandbox.dataHome() / "Morvena" / "datasets").string() + "\n"));
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.dataHome() / "Morvena" / "datasets"));
    EXPECT_EQ(unknown.err, "");
}

TEST(ToolCommandLine, listWithNothingInstalledSaysWhere)
{
    ToolSandbox sandbox;
    auto list = sandbox.run({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
        "Nessun dataset installato in " + (sandbox.dataHome() / "Morvena" / "datasets").string() + "\n");
    auto info = sandbox.run({"info"});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "Nessun dataset installato.\n");
    EXPECT_EQ(sandbox.run({"search", "femore"}).status, 2);
}

TEST(ToolImport, bodyParts3DReleaseImportsWithSummaryAndReport)
{
    ToolSandbox sandbox;
    SyntheticRelease release;
    auto report = sandbox.workFolder() / "non-classificate.tsv";
    auto run = sandbox.run({"import-bodyparts3d", "--metadata", release.metadata.path().string(), "--obj",
        release.objFolder.path().string(), "--report", report.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    auto lines = morvena::test::lines(run.out);
    ASSERT_GE(lines.size(), 11u);
    EXPECT_THAT(lines[0], testing::MatchesRegex("Importazione completata in [0-9]+\\.[0-9] s"));
    EXPECT_EQ(lines[1], "  dataset      BodyParts3D 4.0 (DBCLS)  [bodyparts3d-4.0]");
    EXPECT_EQ(lines[2], "  licenza      CC BY 4.0");
    EXPECT_EQ(lines[3], "  strutture    11");
    EXPECT_EQ(lines[6],
        "  pack         " + (sandbox.datasetFolder("bodyparts3d-4.0") / "geometry.mrvpack").string());
    EXPECT_EQ(
        lines[7], "  database     " + (sandbox.datasetFolder("bodyparts3d-4.0") / "anatomy.sqlite").string());
    EXPECT_THAT(lines[8], StartsWith("  note         Orientamento rilevato dai dati: "));
    EXPECT_THAT(lines[9], StartsWith("  sistemi assenti nel dataset: Muscoli, "));
    EXPECT_EQ(lines[10], "  strutture non classificate: 1");
    EXPECT_EQ(lines[11], "  elenco scritto in " + report.string());
    // The report has no header and no final line end.
    EXPECT_EQ(readAll(report), "FMA100\tmystery blob");
    // Progress overwrites one line and ends with a line end of its own.
    EXPECT_THAT(run.err, StartsWith("\r[  1%] Lettura dei metadati FMA…"));
    EXPECT_THAT(run.err, HasSubstr("\r[100%] Importazione completata."));
    EXPECT_EQ(run.err.back(), '\n');

    // The imported dataset is now the last used one.
    auto search = sandbox.run({"search", "humerus"});
    EXPECT_EQ(search.status, 0);
    EXPECT_THAT(search.out, HasSubstr("FMA23131\t"));
}

TEST(ToolImport, genericImportOfThreeObjectsThenInspection)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    auto run = sandbox.run(importWords(model, "prova"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
        "Importazione completata\n  strutture 3\n  triangoli 4\n  pack      "
            + (sandbox.datasetFolder("prova") / "geometry.mrvpack").string() + "\n");

    auto list = sandbox.run({"list"});
    EXPECT_EQ(list.out, "prova\tModello di prova\t3 strutture\tCC0\n");

    auto info = sandbox.run({"info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(info.out, StartsWith("Modello di prova  [prova]\n  licenza        CC0\n"));
    EXPECT_THAT(info.out, HasSubstr("\n  triangoli LOD0 4\n"));
    EXPECT_THAT(info.out, HasSubstr("\n  bounding box   SIMD3<Float>("));
    EXPECT_THAT(info.out, HasSubstr("\n  ricerca FTS5   attiva\n"));
    EXPECT_THAT(info.out, HasSubstr("\n  strutture per sistema:\n    "));

    auto search = sandbox.run({"search", "fem"});
    EXPECT_EQ(search.status, 0);
    EXPECT_THAT(search.out, testing::MatchesRegex("[^\t]+\tfemore\t\\[[^]]+\\]\tmesh=[0-9]+\n"));
    auto miss = sandbox.run({"search", "zzzz"});
    EXPECT_EQ(miss.out, "Nessun risultato per \"zzzz\".\n");

    auto conceptID = search.out.substr(0, search.out.find('\t'));
    auto structure = sandbox.run({"structure", conceptID});
    ASSERT_EQ(structure.status, 0) << structure.err;
    EXPECT_THAT(structure.out, HasSubstr("\n  inglese      Femur\n  latino       femur\n"));
    EXPECT_THAT(structure.out, HasSubstr("\n  triangoli    LOD0 2, "));
    EXPECT_THAT(structure.out, HasSubstr("\n  vertici      4\n"));

    auto unknown = sandbox.run({"structure", "FMA999999"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.out, "Struttura non trovata: FMA999999\n");
}

// Real USDZ packages as found in practice, whose root layers are binary. Mesh
// names, points and triangles were counted once with an independent reader of
// the format (see the USDC reader's tests); the import keeps them as they are.
TEST(ToolImport, binaryUSDZPackagesImportEveryMeshByName)
{
    const auto samples = sharedDataFolder("usd-samples", "BoxAnimated.usdz");
    if (!samples)
        GTEST_SKIP() << "shared/data/usd-samples is not beside the source tree";
    struct Package {
        const char* file;
        std::vector<std::string> meshes;
        int triangles;
    };
    const std::vector<Package> packages {
        {"BoxAnimated.usdz", {"node_3", "node_2"}, 62 + 192},
        {"RiggedFigure.usdz", {"Proxy_1"}, 256},
        {"RoughnessTest.usdz", {"Mesh", "Mesh_002", "Mesh_004", "Mesh_001", "Mesh_003", "Mesh_005"},
            3 * 112 + 3 * 56},
    };
    ToolSandbox sandbox;
    for (const auto& package : packages) {
        auto input = sandbox.workFolder() / package.file;
        std::filesystem::copy_file(*samples / package.file, input);
        auto run = sandbox.run(importWords(input, "usd"));
        ASSERT_EQ(run.status, 0) << package.file << run.err;
        EXPECT_EQ(run.out,
            "Importazione completata\n  strutture " + std::to_string(package.meshes.size()) + "\n  triangoli "
                + std::to_string(package.triangles) + "\n  pack      "
                + (sandbox.datasetFolder("usd") / "geometry.mrvpack").string() + "\n");
        for (const auto& mesh : package.meshes) {
            auto search = sandbox.run({"search", mesh});
            EXPECT_THAT(search.out, HasSubstr("\t" + mesh + "\t")) << package.file;
        }
    }
}

// An Alembic archive written by the format's own tools: one mesh under a
// transform, which the import keeps by its object's name.
TEST(ToolImport, alembicCubeImportsAsOneStructureByItsObjectsName)
{
    ToolSandbox sandbox;
    auto input = sandbox.workFolder() / "cube.abc";
    std::filesystem::copy_file(
        std::filesystem::path(std::getenv("MORVENA_SOURCE_DIR")) / "Tests" / "Data" / "Alembic" / "cube.abc",
        input);
    auto run = sandbox.run(importWords(input, "cubo"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("\n  strutture 1\n  triangoli 12\n"));
    auto search = sandbox.run({"search", "cube1Shape"});
    EXPECT_THAT(search.out, HasSubstr("\tcube1Shape\t"));
}

TEST(ToolImport, missingProvenanceGivesTwoLinesUsageAndNoDataset)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    auto words = importWords(model, "prova");
    words.resize(words.size() - 6); // drops --license, --attribution and --source
    auto run = sandbox.run(words);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.out,
        StartsWith("Per importare un dataset servono --input, --id, --name, --license e --attribution:\n"
                   "la provenienza di ogni geometria va documentata.\n"
            + std::string(usageHead)));
    EXPECT_FALSE(std::filesystem::exists(sandbox.datasetFolder("prova")));
}

TEST(ToolImport, missingInputIsNamedBeforeAnyWork)
{
    ToolSandbox sandbox;
    auto missing = sandbox.workFolder() / "assente.obj";
    auto run = sandbox.run(importWords(missing, "prova"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "\nErrore: File o cartella non trovato: " + missing.string() + "\n");
    EXPECT_FALSE(std::filesystem::exists(sandbox.datasetFolder("prova")));
}

TEST(ToolImport, pathLikeIdsAreRefusedAndNothingIsWrittenOutside)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    for (std::string id : {"../fuori", "a/b", ".nascosto"}) {
        auto run = sandbox.run(importWords(model, id));
        EXPECT_EQ(run.status, 1) << id;
        EXPECT_THAT(run.err, StartsWith("\nErrore: ")) << id;
        EXPECT_EQ(run.out, "") << id;
        EXPECT_EQ(sandbox.run({"info", "--id", id}).status, 1);
    }
    EXPECT_FALSE(std::filesystem::exists(sandbox.dataHome() / "Morvena" / "fuori"));
    EXPECT_FALSE(std::filesystem::exists(sandbox.dataHome() / "Morvena" / "datasets" / "a"));
}

// The lock is held by this process while the tool, another one, imports.
TEST(ToolImport, anImportOfADatasetAnotherProcessWritesFailsAndChangesNothing)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    ASSERT_EQ(sandbox.run(importWords(model, "prova")).status, 0);
    const auto manifest = readAll(sandbox.datasetFolder("prova") / "manifest.json");
    {
        DatasetLock held(sandbox.datasetFolder("prova"));
        auto second = sandbox.run(importWords(model, "prova"));
        EXPECT_EQ(second.status, 1);
        EXPECT_THAT(second.err,
            testing::EndsWith(
                "\nErrore: Il dataset «prova» è già in corso di importazione o installazione da un altro "
                "processo.\n"));
        EXPECT_EQ(readAll(sandbox.datasetFolder("prova") / "manifest.json"), manifest);
        EXPECT_EQ(sandbox.run({"list"}).out, "prova\tModello di prova\t3 strutture\tCC0\n");
        EXPECT_EQ(sandbox.run({"verify", "--id", "prova"}).status, 0);
    }
    EXPECT_EQ(sandbox.run(importWords(model, "prova")).status, 0);
    EXPECT_FALSE(std::filesystem::exists(sandbox.datasetFolder(".prova.lock")));
}

// Whatever stands at the lock's path instead of a lock file is named, and
// nothing is written through it; once it is gone the import runs.
TEST(ToolImport, somethingInTheLockFilesWayIsNamedAndCanBeRemoved)
{
    namespace fs = std::filesystem;
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    const auto lock = sandbox.datasetFolder(".prova.lock");
    const auto target = sandbox.workFolder() / "bersaglio";
    std::ofstream(target) << "intatto";
    const std::pair<const char*, std::function<void()>> obstacles[] = {
        {"una cartella", [&] { fs::create_directories(lock / "dentro"); }},
        {"un collegamento simbolico", [&] { fs::create_symlink(target, lock); }},
        {"una pipe con nome", [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); }},
        {"un socket",
            [&] {
                sockaddr_un address {};
                address.sun_family = AF_UNIX;
                ASSERT_LT(lock.string().size(), sizeof address.sun_path);
                lock.string().copy(address.sun_path, sizeof address.sun_path - 1);
                const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
                EXPECT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
                ::close(socket);
            }},
    };
    for (const auto& [what, place] : obstacles) {
        fs::create_directories(lock.parent_path());
        place();
        auto blocked = sandbox.run(importWords(model, "prova"));
        EXPECT_EQ(blocked.status, 1) << what;
        EXPECT_THAT(blocked.err,
            testing::EndsWith("\nErrore: Impossibile importare o installare il dataset «prova»: al posto del "
                              "suo file di blocco "
                + lock.string() + " c'è " + what + ", che si può rimuovere.\n"));
        EXPECT_FALSE(fs::exists(sandbox.datasetFolder("prova"))) << what;
        EXPECT_EQ(readAll(target), "intatto") << what;
        fs::remove_all(lock);
    }
    EXPECT_EQ(sandbox.run(importWords(model, "prova")).status, 0);
}

TEST(ToolDatasetChoice, idThenLastUsedThenNewest)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    ASSERT_EQ(sandbox.run(importWords(model, "primo")).status, 0);
    ASSERT_EQ(sandbox.run(importWords(model, "secondo")).status, 0);
    ASSERT_EQ(sandbox.run(importWords(model, "primo")).status, 0); // last used, and the newest

    EXPECT_THAT(sandbox.run({"info"}).out, StartsWith("Modello di prova  [primo]"));
    EXPECT_THAT(sandbox.run({"info", "--id", "secondo"}).out, StartsWith("Modello di prova  [secondo]"));
    // "--id" as the last word is a flag: the last used dataset is taken.
    EXPECT_THAT(sandbox.run({"info", "--id"}).out, StartsWith("Modello di prova  [primo]"));

    // A last used dataset that has gone leaves the newest installed one.
    std::filesystem::remove_all(sandbox.datasetFolder("primo"));
    EXPECT_THAT(sandbox.run({"info"}).out, StartsWith("Modello di prova  [secondo]"));

    // An id that names nothing installed reaches the error path when opened.
    auto missing = sandbox.run({"search", "fem", "--id", "assente"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, StartsWith("\nErrore: Impossibile aprire il database anatomico: "));
}

TEST(ToolInspection, listNamesAFolderItCannotReadWithTheWayOut)
{
    ToolSandbox sandbox;
    sampleDataset("buono").install(sandbox.dataHome());
    writeFile(sampleDataset("rotto").install(sandbox.dataHome()) / "manifest.json", "{ danneggiato");
    auto list = sandbox.run({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_THAT(lines(list.out), testing::ElementsAre(StartsWith("buono\t")));
    EXPECT_EQ(list.err,
        "Una cartella in " + (sandbox.dataHome() / "Morvena" / "datasets").string()
            + " non è leggibile come dataset: «rotto» (manifest danneggiato o cartella illeggibile; i dati "
              "restano sul disco). Per sapere che cosa non va: mrvtool verify --id rotto.\n");
}

// A dataset installed under an id with bidirectional controls, which no id may
// hold any more, is named masked; without its database, with a command that
// removes it exactly.
TEST(ToolInspection, listNamesAFolderNoIdCanNameWithTheCommandThatRemovesIt)
{
    ToolSandbox sandbox;
    sampleDataset("buono").install(sandbox.dataHome());
    const auto datasets = sandbox.dataHome() / "Morvena" / "datasets";
    const std::string misnamed = "skel\u202eosso\u2066x";
    std::filesystem::copy(datasets / "buono", datasets / misnamed);
    editManifest(datasets / misnamed, [&](auto& manifest) { manifest.id = misnamed; });
    std::filesystem::remove(datasets / misnamed / "anatomy.sqlite");

    auto list = sandbox.run({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_THAT(lines(list.out), testing::ElementsAre(StartsWith("buono\t")));
    const std::string command
        = "rm -r -- $'" + datasets.string() + "/skel\\xe2\\x80\\xaeosso\\xe2\\x81\\xa6x'";
    EXPECT_EQ(list.err,
        "Una cartella in " + datasets.string()
            + " ha un nome che nessun dataset può avere: «skel?osso?x» (i dati restano sul disco, ma nessun "
              "programma la apre). Per rimuoverla:\n"
            + command + "\n");
    EXPECT_EQ(sandbox.run({"verify", "--id", misnamed}).status, 1);

    ASSERT_EQ(sandbox.runShell(command).status, 0);
    EXPECT_FALSE(std::filesystem::exists(datasets / misnamed));
    EXPECT_TRUE(std::filesystem::exists(datasets / "buono"));
    EXPECT_EQ(sandbox.run({"list"}).err, "");
}

// A folder with the user's database is never advised away, its manifest cut:
// under an id refused since, it is one to look into with verify, which takes
// the id; under a name no program opens, it is only named.
TEST(ToolInspection, listAdvisesRemovingNoFolderWithTheUsersDatabase)
{
    const struct {
        std::string folder;
        std::string notice;
        bool verified;
    } cases[] = {
        {"cuore\u3164umano",
            " non è leggibile come dataset: «cuore?umano» (manifest danneggiato o cartella illeggibile; i "
            "dati "
            "restano sul disco). Per sapere che cosa non va: mrvtool verify --id "
            "$'cuore\\xe3\\x85\\xa4umano'.",
            true},
        {"skel\u202eosso",
            " ha un nome che nessun programma apre e contiene il database dell'utente: «skel?osso» (i dati "
            "restano sul disco).",
            false},
    };
    for (const auto& [folder, notice, verified] : cases) {
        SCOPED_TRACE(notice);
        ToolSandbox sandbox;
        writeFile(sampleDataset(folder).install(sandbox.dataHome()) / "manifest.json", "{\"id\": \"cuore");
        const auto list = sandbox.run({"list"});
        EXPECT_EQ(list.err,
            "Una cartella in " + (sandbox.dataHome() / "Morvena" / "datasets").string() + notice + "\n");
        const auto verify = sandbox.run({"verify", "--id", folder});
        EXPECT_EQ(verify.err.find("Identificativo di dataset non valido") == std::string::npos, verified)
            << verify.err;
    }
}

TEST(ToolInspection, boundingBoxInFullDecimalsAndRelationsByConceptName)
{
    ToolSandbox sandbox;
    TestDataset dataset("misure");
    MeshPackBuilder::Mesh far;
    far.positions = {{0.000015f, -2000000, 0}, {1000000, 0.5f, 3}, {0.5f, 0, 1}};
    far.lodIndices = {{0, 1, 2}};
    dataset.add("FMA1", "Left femur", AnatomySystem::skeletal, far);
    dataset.add("FMA2", "Right femur", AnatomySystem::skeletal, std::nullopt).nameIT = "femore destro";
    auto folder = dataset.install(sandbox.dataHome());
    // Relations lead to a structure, to concepts without one (named in English or
    // Italian) and to an ID known nowhere.
    addAnatomy(folder,
        {{"FMA24969", "left thigh", std::nullopt}, {"FMA24970", "right thigh", "coscia destra"}}, {},
        {{"FMA1", "FMA24969", AnatomyRelation::Kind::partOf, FieldSource::dataset},
            {"FMA1", "FMA24970", AnatomyRelation::Kind::attachesTo, FieldSource::dataset},
            {"FMA1", "FMA2", AnatomyRelation::Kind::isA, FieldSource::dataset},
            {"FMA1", "FMA404", AnatomyRelation::Kind::drains, FieldSource::dataset}});

    auto info = sandbox.run({"info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(info.out,
        HasSubstr("\n  bounding box   SIMD3<Float>(0.000015, -2000000.0, 0.0) → "
                  "SIMD3<Float>(1000000.0, 0.5, 3.0) (mm)\n"));

    auto structure = sandbox.run({"structure", "FMA1"});
    ASSERT_EQ(structure.status, 0) << structure.err;
    EXPECT_THAT(structure.out,
        testing::EndsWith("  relazioni:\n"
                          "    Tipo di: femore destro (FMA2)\n"
                          "    Parte di: left thigh (FMA24969)\n"
                          "    Si inserisce su: coscia destra (FMA24970)\n"
                          "    Drena: FMA404 (FMA404)\n"));
}

// The README's walk through the tool, run as written with the built tool in place
// of scripts/tool.sh and the sandbox's temporary folder in place of /tmp.
TEST(ToolReadme, walkThroughRunsAsWrittenAndFindsWhatItSearches)
{
    ToolSandbox sandbox;
    auto readme = readAll(std::filesystem::path(std::getenv("MORVENA_SOURCE_DIR")) / "README.md");
    auto start = readme.find("```sh\n", readme.find("walk through the command-line tool"));
    ASSERT_NE(start, std::string::npos);
    start += 6;
    auto script = readme.substr(start, readme.find("```", start) - start);
    ASSERT_THAT(script, HasSubstr("scripts/tool.sh search "));
    for (auto [from, to] : {std::pair<std::string, std::string> {"scripts/tool.sh", "\"$MRVTOOL\""},
             {"/tmp/", (sandbox.root() / "tmp").string() + "/"}}) {
        for (auto at = script.find(from); at != std::string::npos; at = script.find(from, at + to.size()))
            script.replace(at, from.size(), to);
    }
    auto run = sandbox.runShell("set -e\n" + script);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("\nprova\tModello di prova\t2 strutture\tCC0-1.0\n"));
    EXPECT_THAT(run.out, HasSubstr("\nleft_femur\tfemore sinistro\t[Scheletro]\tmesh=0\n"));
    EXPECT_THAT(
        run.out, HasSubstr("\nfemore sinistro\n  concept      left_femur\n  inglese      Left femur\n"));
    EXPECT_THAT(
        run.out, HasSubstr("\nImmagine scritta: " + (sandbox.root() / "tmp" / "anatomia.png").string()));
}

namespace {

// The share of a table's rows whose column is not empty.
double filledShare(const std::filesystem::path& database, const std::string& table, const std::string& column)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    const auto sql = "SELECT AVG(COALESCE(" + column + ", '') <> '') FROM " + table;
    sqlite3_stmt* statement = nullptr;
    double share = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        share = sqlite3_column_double(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return share;
}

} // namespace

// The whole release, imported with meshes made for its real tables: the shipped names reach the
// structures and the trees, and Italian searches find them.
TEST(ToolCuratedNames, theReleaseImportsWithItalianAndLatinNamesThatSearchesFind)
{
    auto tables = bodyParts3DFolder();
    ASSERT_TRUE(tables) << "the BodyParts3D 4.0 tables are missing from Tests/Data/BodyParts3D";
    ToolSandbox sandbox;
    const auto meshes = sandbox.workFolder() / "obj";
    auto generate = sandbox.runShell("python3 '"
        + (sourceFolder() / "Tests/Tools/generate_bodyparts3d_meshes.py").string() + "' --metadata '"
        + tables->string() + "' --out '" + meshes.string() + "' --target-mb 1");
    ASSERT_EQ(generate.status, 0) << generate.err;
    auto import
        = sandbox.run({"import-bodyparts3d", "--metadata", tables->string(), "--obj", meshes.string()});
    ASSERT_EQ(import.status, 0) << import.err;

    const auto database = sandbox.datasetFolder("bodyparts3d-4.0") / "anatomy.sqlite";
    EXPECT_GE(filledShare(database, "structures", "name_it"), 0.98);
    EXPECT_GE(filledShare(database, "concepts", "name_it"), 0.98);
    EXPECT_GE(filledShare(database, "structures", "name_la"), 0.914);

    const struct {
        const char* words;
        std::vector<std::string> expected;
    } searches[] = {
        {"femore", {"FMA24474\tfemore destro\t", "FMA24475\tfemore sinistro\t"}},
        {"osso", {"\tosso "}},
        {"vena posteriore del ventricolo", {"\tvena posteriore del ventricolo sinistro\t"}},
        {"cavita", {"cavità"}},
    };
    for (const auto& search : searches) {
        auto found = sandbox.run({"search", search.words, "--limit", "200"});
        EXPECT_EQ(found.status, 0) << search.words;
        for (const auto& line : search.expected)
            EXPECT_THAT(found.out, HasSubstr(line)) << search.words;
    }

    // Where the right and the left are different structures, the Latin names the side.
    const std::pair<const char*, const char*> sidedLatin[] = {
        {"FMA14768", "arteria gastrica sinistra"},
        {"FMA70456", "truncus rami dextri arteriae hepaticae propriae"},
        {"FMA4712", "vena ventriculi sinistri posterior"},
    };
    for (const auto& [conceptID, nameLA] : sidedLatin) {
        auto card = sandbox.run({"structure", conceptID});
        EXPECT_EQ(card.status, 0) << conceptID;
        EXPECT_THAT(card.out, HasSubstr(std::string("\n  latino       ") + nameLA + "\n")) << conceptID;
    }
}
