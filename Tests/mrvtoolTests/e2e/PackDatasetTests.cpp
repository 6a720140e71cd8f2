#include "AnatomyCore/Download/DatasetCatalog.h"
#include "DatasetFixtures.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>

namespace morvena::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

std::string sha256sum(const std::filesystem::path& file)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(
        popen(("sha256sum '" + file.string() + "'").c_str(), "r"), pclose);
    char digest[65] = {};
    if (!pipe || std::fread(digest, 1, 64, pipe.get()) != 64)
        return "sha256sum failed";
    return digest;
}

DatasetCatalog::Entry otherEntry(std::string id, std::int64_t structures)
{
    DatasetCatalog::Entry entry;
    entry.id = std::move(id);
    entry.displayName = entry.id;
    entry.archive = "https://example.org/" + entry.id + ".mrvz";
    entry.sha256 = std::string(64, 'a');
    entry.structureCount = structures;
    entry.installedBytes = structures * 1000;
    return entry;
}

std::string catalogDocument(const DatasetCatalog& catalog)
{
    return nlohmann::json(catalog).dump();
}

class PackDataset : public ::testing::Test {
protected:
    void SetUp() override { dataset.install(sandbox.dataHome()); }

    ToolSandbox::Result pack(std::vector<std::string> extra = {})
    {
        std::vector<std::string> arguments {
            "pack-dataset", "--out", out.string(), "--base-url", "http://host/dl"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return sandbox.run(arguments);
    }
    DatasetCatalog catalog() const { return DatasetCatalog::decode(readFile(out / "catalog.json")); }

    ToolSandbox sandbox;
    TestDataset dataset = sampleDataset();
    std::filesystem::path out = sandbox.root() / "published";
};

TEST_F(PackDataset, publishingTwiceKeepsOneEntryWhoseDigestIsTheArchives)
{
    auto first = pack();
    ASSERT_EQ(first.status, 0) << first.err;
    auto second = pack();
    ASSERT_EQ(second.status, 0) << second.err;

    auto archive = out / "test-dataset-r1.mrvz";
    auto output = lines(second.out);
    ASSERT_EQ(output.size(), 6u) << second.out;
    EXPECT_EQ(output[0], "Compressione di test-dataset (0 MB)…");
    EXPECT_EQ(output[1], "  archivio   test-dataset-r1.mrvz");
    EXPECT_THAT(output[2], MatchesRegex("  dimensione 0 MB \\([0-9]+% dell'originale\\)"));
    EXPECT_EQ(output[3], "  sha256     " + sha256sum(archive));
    EXPECT_EQ(output[4], "  catalogo   " + (out / "catalog.json").string());
    EXPECT_EQ(output[5], "✓ catalogo coerente con l'archivio (1 dataset)");

    auto written = catalog();
    EXPECT_EQ(written.formatVersion, 1);
    EXPECT_FALSE(written.macApp);
    ASSERT_EQ(written.datasets.size(), 1u);
    const auto& entry = written.datasets[0];
    EXPECT_EQ(entry.sha256, sha256sum(archive));
    EXPECT_EQ(entry.archive, "http://host/dl/test-dataset-r1.mrvz");
    EXPECT_EQ(entry.archiveBytes, static_cast<std::int64_t>(std::filesystem::file_size(archive)));
    EXPECT_EQ(entry.structureCount, 5);
    EXPECT_EQ(entry.displayName, "Dataset di prova");
    EXPECT_GT(entry.installedBytes, entry.archiveBytes);
    // The catalog's keys are written in sorted order.
    auto document = readFile(out / "catalog.json");
    EXPECT_LT(document.find("\"datasets\""), document.find("\"formatVersion\""));
    EXPECT_LT(document.find("\"archive\""), document.find("\"archiveBytes\""));
}

TEST_F(PackDataset, newEntryJoinsTheCatalogByStructureCountAfterEqualOnes)
{
    DatasetCatalog existing {.formatVersion = 7,
        .datasets = {otherEntry("medium-a", 1200), otherEntry("large", 3000), otherEntry("medium-b", 1200)}};
    existing.macApp = DatasetCatalog::AppRelease {"1.2", "5", "https://host/M.dmg", 9, "macOS 15", ""};
    writeFile(out / "catalog.json", catalogDocument(existing));
    editManifest(
        sandbox.datasetFolder("test-dataset"), [](auto& manifest) { manifest.structureCount = 1200; });

    auto result = pack({"--app-version", "2.0"}); // without its disk image the release stays
    ASSERT_EQ(result.status, 0) << result.err;

    auto written = catalog();
    std::vector<std::string> order;
    for (const auto& entry : written.datasets)
        order.push_back(entry.id);
    EXPECT_THAT(order, ElementsAre("large", "medium-a", "medium-b", "test-dataset"));
    EXPECT_EQ(written.formatVersion, 7);
    EXPECT_EQ(written.macApp, existing.macApp);
    EXPECT_THAT(result.out, HasSubstr("(4 dataset)"));
}

TEST_F(PackDataset, releaseAndRevisionNameTheirFiles)
{
    writeFile(out / "catalog.json", "{ non è un catalogo");
    auto result = pack({"--revision", "2", "--app-version", "2.1", "--app-dmg",
        "/nessuna/cartella/Morvena.dmg", "--app-build", "42"});
    ASSERT_EQ(result.status, 0) << result.err;

    auto written = catalog();
    ASSERT_EQ(written.datasets.size(), 1u);
    EXPECT_EQ(written.datasets[0].archive, "http://host/dl/test-dataset-r2.mrvz");
    EXPECT_TRUE(std::filesystem::exists(out / "test-dataset-r2.mrvz"));
    ASSERT_TRUE(written.macApp);
    EXPECT_EQ(*written.macApp,
        (DatasetCatalog::AppRelease {"2.1", "42", "http://host/dl/Morvena.dmg", 0, "Debian 12", ""}));
}

TEST_F(PackDataset, defaultOutputFolderIsBelowTheWorkingFolder)
{
    auto result = sandbox.run({"pack-dataset"});
    ASSERT_EQ(result.status, 0) << result.err;
    auto folder = sandbox.workFolder() / "web" / "public" / "dl";
    EXPECT_TRUE(std::filesystem::exists(folder / "test-dataset-r1.mrvz"));
    auto written = DatasetCatalog::decode(readFile(folder / "catalog.json"));
    ASSERT_EQ(written.datasets.size(), 1u);
    EXPECT_EQ(written.datasets[0].archive,
        DatasetCatalog::url().substr(0, DatasetCatalog::url().rfind('/')) + "/test-dataset-r1.mrvz");
}

TEST_F(PackDataset, refusalsWriteNothingOutsideTheirFolders)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    std::filesystem::remove(sandbox.datasetFolder("test-dataset") / "manifest.json");
    sampleDataset("second").install(sandbox.dataHome());
    // Installed before their ids were refused, each shows as "skel" alone.
    for (const char* refusedSince : {"skel\ufe0f", "skel\u3164"})
        sampleDataset(refusedSince).install(sandbox.dataHome());
    const std::string importAgain = "Il dataset skel? va importato di nuovo con un nuovo identificativo per "
                                    "pubblicarlo: il suo identificativo contiene caratteri invisibili.";
    const std::vector<Case> cases {
        {{"--id", "second", "--revision", "../../escaped"}, "Revisione non valida"},
        {{"--id", "second", "--revision", "1/x"}, "Revisione non valida"},
        {{"--id", "../second"}, "Identificativo di dataset non valido"},
        {{"--id", "test-dataset"},
            "Manifest illeggibile per il dataset test-dataset: il file o la cartella non esiste."},
        {{"--id", "assente"},
            "Manifest illeggibile per il dataset assente: il file o la cartella non esiste."},
        {{"--id", "skel\ufe0f"}, importAgain},
        {{"--id", "skel\u3164", "--revision", "2"}, importAgain},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.arguments[1] + " " + refused.arguments.back());
        auto result = pack(refused.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_THAT(result.err, testing::StartsWith("\nErrore: " + refused.message));
    }
    for (const auto& item : std::filesystem::recursive_directory_iterator(sandbox.root()))
        EXPECT_NE(item.path().extension(), ".mrvz") << item.path();
    EXPECT_FALSE(std::filesystem::exists(out / "catalog.json"));
}

TEST(PackDatasetWithoutDatasets, failsWithItsMessage)
{
    ToolSandbox sandbox;
    auto result = sandbox.run({"pack-dataset", "--out", (sandbox.root() / "out").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "\nErrore: Nessun dataset installato.\n");
    EXPECT_FALSE(std::filesystem::exists(sandbox.root() / "out"));
}

} // namespace
} // namespace morvena::test
