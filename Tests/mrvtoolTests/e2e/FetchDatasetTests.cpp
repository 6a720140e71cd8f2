#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Download/HttpTransfer.h"
#include "DatabaseDamages.h"
#include "DatasetFixtures.h"
#include "TestHttpServer.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace morvena::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

// A dataset published by pack-dataset into a folder that the tests' HTTP server serves.
class FetchDataset : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(served);
        server = std::make_unique<TestHttpServer>(served);
    }

    void publish(TestDataset dataset = sampleDataset())
    {
        auto folder = dataset.install(publisher.dataHome());
        if (declaredStructures)
            editManifest(folder, [this](auto& manifest) { manifest.structureCount = *declaredStructures; });
        if (beforePacking)
            beforePacking(folder);
        auto base = server->address("");
        base.pop_back();
        auto packed = publisher.run(
            {"pack-dataset", "--id", dataset.id(), "--out", served.string(), "--base-url", base});
        ASSERT_EQ(packed.status, 0) << packed.err;
    }

    DatasetCatalog catalog() const { return DatasetCatalog::decode(readFile(served / "catalog.json")); }
    void replaceCatalog(const DatasetCatalog& changed) const
    {
        writeFile(served / "catalog.json", nlohmann::json(changed).dump());
    }

    ToolSandbox::Result fetch(
        std::vector<std::string> extra = {}, const std::string& catalogPath = "catalog.json")
    {
        std::vector<std::string> arguments {"fetch-dataset", "--catalog", server->address(catalogPath)};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return user.run(arguments);
    }

    bool archiveRequested() const
    {
        for (const auto& request : server->requests())
            if (request.find(".mrvz") != std::string::npos)
                return true;
        return false;
    }

    ToolSandbox publisher;
    ToolSandbox user;
    fs::path served = publisher.root() / "served";
    std::unique_ptr<TestHttpServer> server;
    std::optional<std::int64_t> declaredStructures;
    std::function<void(const fs::path&)> beforePacking;
};

TEST_F(FetchDataset, publishedDatasetArrivesWholeInAnotherHome)
{
    publish();
    auto result = fetch();
    ASSERT_EQ(result.status, 0) << result.err;

    const auto installed = user.datasetFolder("test-dataset");
    EXPECT_THAT(lines(result.out),
        ElementsAre("Catalogo: " + server->address("catalog.json"),
            "Dataset:  Dataset di prova — 5 strutture",
            "Archivio: " + server->address("test-dataset-r1.mrvz"),
            StartsWith("          0 MB da scaricare, "), "✓ installato in " + installed.string(),
            "  manifest   Dataset di prova 1", StartsWith("  pack       5 strutture, "),
            "  database   5 strutture classificate"));
    EXPECT_THAT(result.err,
        EndsWith("\r[100%] download\r[ 93%] verifica SHA-256   \r[ 97%] installazione      "
                 "\r[100%] completato         \n"));

    const auto original = publisher.datasetFolder("test-dataset");
    for (const char* file : {"geometry.mrvpack", "manifest.json"})
        EXPECT_EQ(readFile(installed / file), readFile(original / file)) << file;
    EXPECT_EQ(AnatomyDB(installed / "anatomy.sqlite", true).allStructures(),
        AnatomyDB(original / "anatomy.sqlite", true).allStructures());
    auto verified = user.run({"verify", "--id", "test-dataset"});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;

    const std::vector<std::string> render {"render", "--id", "test-dataset", "--width", "160", "--height",
        "120", "--view", "left", "--systems", "scheletro,muscoli,cuore", "--out"};
    auto withOut = [&](const ToolSandbox& sandbox) {
        auto arguments = render;
        arguments.push_back((sandbox.root() / "view.png").string());
        return arguments;
    };
    ASSERT_EQ(publisher.run(withOut(publisher)).status, 0);
    auto rendered = user.run(withOut(user));
    ASSERT_EQ(rendered.status, 0) << rendered.err;
    EXPECT_FALSE(readFile(user.root() / "view.png").empty());
    EXPECT_EQ(readFile(user.root() / "view.png"), readFile(publisher.root() / "view.png"));
}

// The user's notes, bookmarks and saved views survive a new import and a
// download of the dataset, also those of a concept the new version lacks; the
// publisher's own stay with the publisher.
TEST_F(FetchDataset, theUsersRowsSurviveImportsAndDownloadsAndThePublishersStayHome)
{
    const auto model = user.workFolder() / "modello.obj";
    auto import = [&](const std::string& object) {
        writeFile(model, "o " + object + "\nv 0 0 0\nv 9 0 0\nv 0 9 0\nf 1 2 3\n");
        return user.run({"import", "--input", model.string(), "--id", "test-dataset", "--name", "Mio",
            "--license", "CC0", "--attribution", "io"});
    };
    ASSERT_EQ(import("Osso").status, 0);
    const auto database = user.datasetFolder("test-dataset") / "anatomy.sqlite";
    {
        AnatomyDB db(database);
        db.setNote("mia nota", "osso");
        db.toggleBookmark("osso");
        db.saveView("mia vista", "{}");
    }
    ASSERT_EQ(import("Altro").status, 0);
    beforePacking
        = [](const fs::path& folder) { AnatomyDB(folder / "anatomy.sqlite").setNote("privata", "FMA7088"); };
    publish();
    auto fetched = fetch();
    ASSERT_EQ(fetched.status, 0) << fetched.err;

    AnatomyDB db(database, true);
    EXPECT_TRUE(db.structure("FMA7088"));
    EXPECT_EQ(db.note("osso"), "mia nota");
    EXPECT_EQ(db.note("FMA7088"), std::nullopt);
    EXPECT_EQ(db.bookmarks(), std::vector<std::string> {"osso"});
    ASSERT_EQ(db.savedViews().size(), 1u);
    EXPECT_EQ(db.savedViews()[0].name, "mia vista");
    EXPECT_EQ(AnatomyDB(publisher.datasetFolder("test-dataset") / "anatomy.sqlite", true).note("FMA7088"),
        "privata");
    fs::create_directory(user.root() / "estratto");
    DatasetArchive::extract(served / "test-dataset-r1.mrvz", user.root() / "estratto");
    EXPECT_EQ(AnatomyDB(user.root() / "estratto" / "anatomy.sqlite", true).note("FMA7088"), std::nullopt);
}

// A kill between the two renames of a swap that cannot exchange folders, and a
// dataset installed under an id refused since, its manifest cut or set aside
// by such a kill, cost the user nothing: the dataset is listed, and a plain
// import keeps its rows. Rows on ids derived before ids left out invisible
// characters follow the structure whose name gave the id.
TEST_F(FetchDataset, theUsersRowsOutliveAKillBetweenTheRenamesIdsRefusedSinceAndTheIdRule)
{
    const auto killedBetweenTheRenames = [](const fs::path& folder) {
        const auto datasets = folder.parent_path();
        const auto id = folder.filename().string();
        fs::copy(folder, datasets / ("." + id + ".incoming"), fs::copy_options::recursive);
        fs::rename(folder, datasets / ("." + id + ".previous"));
    };
    const std::string refusedSince = "cuore\u3164umano";
    const std::string listedRefusedSince = "cuore?umano $'cuore\\xe3\\x85\\xa4umano'";
    const struct {
        std::string name;
        std::string id;
        std::string listed;
        std::function<void(const fs::path&)> leave;
    } cases[] = {
        {"killed between the renames", "test-dataset", "test-dataset", killedBetweenTheRenames},
        {"id refused since", refusedSince, listedRefusedSince, [](auto&) {}},
        {"id refused since, killed between the renames", refusedSince, listedRefusedSince,
            killedBetweenTheRenames},
        {"id refused since, its manifest cut", refusedSince, listedRefusedSince,
            [](const fs::path& folder) { writeFile(folder / "manifest.json", "{\"id\": \"cuore"); }},
    };
    const auto model = user.workFolder() / "modello.obj";
    writeFile(model,
        "o Osso\nv 0 0 1\nv 9 0 1\nv 0 9 1\nf 1 2 3\n"
        "o Os\u200bso\nv 0 0 2\nv 9 0 2\nv 0 9 2\nf 4 5 6\n"
        "o Femore\u200bsinistro\nv 0 0 0\nv 9 0 0\nv 0 9 0\nf 7 8 9\n");
    // Each old row's id, and the id it ends on.
    const std::pair<std::string, std::string> oldRows[] = {
        {"femore\u200bsinistro", "femoresinistro"}, {"osso", "osso"},
        {"os\u200bso", "osso_1"}, // two names that differ by one U+200B
    };
    for (const auto& [name, id, listed, leave] : cases) {
        SCOPED_TRACE(name);
        ToolSandbox sandbox;
        const auto folder = sampleDataset(id).install(sandbox.dataHome());
        {
            AnatomyDB db(folder / "anatomy.sqlite");
            db.setNote("la nota da non perdere", "FMA7088");
            db.toggleBookmark("femore\u200bsinistro");
            db.toggleBookmark("os\u200bso");
            for (const auto& [old, now] : oldRows)
                db.setNote(old, old);
        }
        leave(folder);

        auto imported = sandbox.run({"import", "--input", model.string(), "--id", id, "--name", "Mio",
            "--license", "CC0", "--attribution", "io"});
        ASSERT_EQ(imported.status, 0) << imported.err;
        AnatomyDB db(folder / "anatomy.sqlite", true);
        EXPECT_EQ(db.note("FMA7088"), "la nota da non perdere");
        for (const auto& [old, now] : oldRows) {
            EXPECT_EQ(db.note(now), old);
            if (now != old) {
                EXPECT_EQ(db.note(old), std::nullopt);
            }
        }
        EXPECT_THAT(db.bookmarks(), UnorderedElementsAre("femoresinistro", "osso_1"));
        const auto list = sandbox.run({"list"});
        EXPECT_THAT(lines(list.out), ElementsAre(StartsWith(listed + "\tMio\t")));
        EXPECT_EQ(list.err, "");
    }
}

std::vector<fs::path> keptFiles(const fs::path& folder)
{
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("anatomy-danneggiato-"))
            kept.push_back(entry.path());
    return kept;
}

// A damaged installed database goes to no import and no download: what SQLite
// can still read of the user's rows is handed over, the file stays in the new
// folder as it was found, the user is told where, and every later replacement
// carries it on, while pack-dataset leaves it out and verify passes over it.
TEST_F(FetchDataset, aDamagedInstalledDatabaseIsKeptThroughImportsAndDownloads)
{
    publish();
    const auto model = user.workFolder() / "modello.obj";
    const auto import = [&](const ToolSandbox& sandbox) {
        writeFile(model, "o Osso\nv 0 0 0\nv 9 0 0\nv 0 9 0\nf 1 2 3\n");
        return sandbox.run({"import", "--input", model.string(), "--id", "test-dataset", "--name", "Mio",
            "--license", "CC0", "--attribution", "io"});
    };
    const auto download = [&](const ToolSandbox& sandbox) {
        return sandbox.run({"fetch-dataset", "--catalog", server->address("catalog.json")});
    };
    const std::pair<std::string, std::function<ToolSandbox::Result(const ToolSandbox&)>> replacements[]
        = {{"import", import}, {"fetch-dataset", download}};
    auto damages = databaseDamages();
    std::ranges::move(userTableDamages(), std::back_inserter(damages));
    for (const auto& damage : damages) {
        for (const auto& [command, replace] : replacements) {
            const auto label = damage.name + " / " + command;
            ToolSandbox sandbox;
            ASSERT_EQ(import(sandbox).status, 0) << label;
            const auto folder = sandbox.datasetFolder("test-dataset");
            writeUserRows(folder / "anatomy.sqlite");
            const auto readable = damage.apply(folder / "anatomy.sqlite");
            const auto damaged = readFile(folder / "anatomy.sqlite");

            auto replaced = replace(sandbox);
            ASSERT_EQ(replaced.status, 0) << label << replaced.err;
            const auto kept = keptFiles(folder);
            ASSERT_EQ(kept.size(), 1u) << label;
            EXPECT_THAT(
                kept[0].filename().string(), MatchesRegex("anatomy-danneggiato-[0-9]{8}-[0-9]{6}\\.sqlite"));
            EXPECT_TRUE(readFile(kept[0]) == damaged) << label;
            EXPECT_EQ(lines(replaced.out).back(),
                "Il database installato era danneggiato: trasferite " + std::to_string(readable.notes)
                    + " annotazioni, " + std::to_string(readable.bookmarks) + " segnalibri e "
                    + std::to_string(readable.views)
                    + " viste salvate; il file originale, con ciò che non si è potuto leggere, è conservato "
                      "in "
                    + kept[0].string() + ".")
                << label;
            EXPECT_EQ(userRowCounts(folder / "anatomy.sqlite"), readable) << label;

            for (int again = 0; again < 2; ++again) {
                auto healthy = replace(sandbox);
                ASSERT_EQ(healthy.status, 0) << label << healthy.err;
                EXPECT_THAT(healthy.out, Not(HasSubstr("danneggiato"))) << label;
                EXPECT_EQ(keptFiles(folder), kept) << label;
                EXPECT_TRUE(readFile(kept[0]) == damaged) << label;
                EXPECT_EQ(userRowCounts(folder / "anatomy.sqlite"), readable) << label;
            }
            auto verified = sandbox.run({"verify", "--id", "test-dataset"});
            EXPECT_EQ(verified.status, 0) << label << verified.out;
            EXPECT_EQ(lines(verified.out).front(),
                "File conservato di un database danneggiato: " + kept[0].string());
            auto packed = sandbox.run({"pack-dataset", "--id", "test-dataset", "--out",
                (sandbox.root() / "pubblicato").string(), "--base-url", "https://example.org"});
            ASSERT_EQ(packed.status, 0) << label << packed.err;
            fs::create_directory(sandbox.root() / "estratto");
            DatasetArchive::extract(
                sandbox.root() / "pubblicato" / "test-dataset-r1.mrvz", sandbox.root() / "estratto");
            EXPECT_TRUE(keptFiles(sandbox.root() / "estratto").empty()) << label;
        }
    }
}

TEST_F(FetchDataset, firstEntryUnlessAnIDIsGiven)
{
    publish();
    publish(sampleDataset("larger-one"));
    auto entries = catalog();
    ASSERT_EQ(entries.datasets.size(), 2u);
    // Equal counts: the later publication comes second, so the first is test-dataset.
    auto first = fetch();
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(fs::exists(user.datasetFolder(entries.datasets[0].id)));
    EXPECT_FALSE(fs::exists(user.datasetFolder(entries.datasets[1].id)));

    auto chosen = fetch({"--id", entries.datasets[1].id});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_TRUE(fs::exists(user.datasetFolder(entries.datasets[1].id)));
}

TEST_F(FetchDataset, wrongDigestKeepsTheInstalledDataset)
{
    publish();
    ASSERT_EQ(fetch().status, 0);
    const auto installed = user.datasetFolder("test-dataset");
    writeFile(installed / "mine.txt", "note dell'utente");
    auto changed = catalog();
    changed.datasets[0].sha256 = std::string(64, '0');
    replaceCatalog(changed);

    auto result = fetch();
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(
        result.err, HasSubstr("\r[ 93%] verifica SHA-256   \nErrore: L'archivio scaricato non corrisponde"));
    EXPECT_THAT(result.err, EndsWith("\n"));
    EXPECT_EQ(readFile(installed / "mine.txt"), "note dell'utente");
    EXPECT_EQ(lines(result.out).size(), 4u) << "no installation lines";
}

TEST_F(FetchDataset, catalogAndArchiveFailuresEndWithTheirMessages)
{
    publish();
    auto published = catalog();
    struct Case {
        std::string name;
        std::function<void()> prepare;
        std::vector<std::string> arguments;
        std::string catalogPath;
        std::string message;
        bool fetchesArchive;
    };
    auto withEntry = [&](auto change) {
        return [&, change] {
            auto changed = published;
            change(changed.datasets[0]);
            replaceCatalog(changed);
        };
    };
    const std::vector<Case> cases {
        {"unknown id", [] {}, {"--id", "nessuno"}, "catalog.json", "Dataset nessuno assente dal catalogo.",
            false},
        {"server error", [] {}, {}, "catalog.json?status=500",
            "Il catalogo dei dataset ha risposto con stato 500. Riprova fra poco.", false},
        {"empty catalog", [&] { replaceCatalog({.formatVersion = 1, .datasets = {}}); }, {}, "catalog.json",
            "Il catalogo non elenca dataset.", false},
        {"missing archive", withEntry([&](auto& entry) { entry.archive = server->address("assente.mrvz"); }),
            {}, "catalog.json", "Il server ha risposto con stato 404 scaricando l'archivio.", true},
        {"hostile id", withEntry([](auto& entry) { entry.id = "../fuori"; }), {}, "catalog.json",
            "Identificativo di dataset non valido \"../fuori\"", false},
        {"plain http archive elsewhere",
            withEntry([](auto& entry) { entry.archive = "http://192.0.2.1/a.mrvz"; }), {}, "catalog.json",
            "Indirizzo dell'archivio rifiutato: " + std::string(HttpTransfer::permittedAddressesText) + ".",
            false},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.name);
        fs::remove(served / "requests.log");
        failure.prepare();
        auto result = fetch(failure.arguments, failure.catalogPath);
        EXPECT_EQ(result.status, 1);
        EXPECT_THAT(result.err, HasSubstr("\nErrore: " + failure.message));
        EXPECT_EQ(archiveRequested(), failure.fetchesArchive);
        EXPECT_FALSE(fs::exists(user.datasetFolder("test-dataset")));
    }
    EXPECT_FALSE(fs::exists(user.root() / "data" / "Morvena" / "fuori"));
}

// The refusal names the exception that the tests' own server relies on.
TEST_F(FetchDataset, plainHttpCatalogElsewhereIsRefusedWithWhatIsAllowed)
{
    auto result = user.run({"fetch-dataset", "--catalog", "http://192.0.2.1/catalog.json"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err,
        EndsWith("\nErrore: Indirizzo rifiutato: sono ammessi solo indirizzi https, e http soltanto verso "
                 "questo computer (localhost, 127.0.0.1, [::1]).\n"));
}

// A manifest whose counts are not its pack's is refused before the swap: the
// installed version stays, and verify finds the same fault where it was made.
TEST_F(FetchDataset, packThatDisagreesWithItsManifestIsRefusedBeforeInstalling)
{
    publish();
    ASSERT_EQ(fetch().status, 0);
    const auto installed = user.datasetFolder("test-dataset");
    const auto manifest = readFile(installed / "manifest.json");
    const auto listed = user.run({"list"}).out;

    declaredStructures = 277;
    publish();
    auto result = fetch();
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.out, Not(HasSubstr("✓ installato")));
    EXPECT_THAT(result.err,
        EndsWith("\nErrore: L'archivio del dataset test-dataset non contiene un dataset utilizzabile: il "
                 "manifest dichiara 277 strutture, il pack ne contiene 5. Il dataset installato resta "
                 "com'era.\n"));
    EXPECT_EQ(readFile(installed / "manifest.json"), manifest);
    EXPECT_EQ(user.run({"list"}).out, listed);
    EXPECT_THAT(listed, HasSubstr("\t5 strutture\t"));

    auto verified = publisher.run({"verify", "--id", "test-dataset"});
    EXPECT_EQ(verified.status, 1);
    EXPECT_THAT(
        verified.out + verified.err, HasSubstr("il manifest dichiara 277 strutture, il pack ne contiene 5"));
}

} // namespace
} // namespace morvena::test
