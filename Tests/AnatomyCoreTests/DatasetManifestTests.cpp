#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Support/FileError.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

using namespace morvena;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

system_clock::time_point at(int y, unsigned m, unsigned d, int hh, int mm, int ss)
{
    return sys_days(year(y) / month(m) / day(d)) + hours(hh) + minutes(mm) + seconds(ss);
}

DatasetManifest sampleManifest(std::string id = "bodyparts3d-4.0")
{
    return DatasetManifest {
        .id = std::move(id),
        .displayName = "BodyParts3D 4.0",
        .version = "4.0",
        .sourceURL = "https://example.org/bp3d",
        .license = "CC BY-SA 2.1 JP",
        .attribution = "Database Center for Life Science",
        .importedAt = at(2024, 5, 1, 12, 30, 45),
        .structureCount = 3,
        .triangleCount = 1200,
        .vertexCount = 700,
        .systemCounts = {{"1", 1}, {"17", 1}, {"2", 1}},
        .missingSystems = {"Sistema nervoso"},
        .notes = "importato con saldatura",
    };
}

struct DatasetsFolderCleaner {
    ~DatasetsFolderCleaner() { fs::remove_all(AppPaths::applicationSupport()); }
};

} // namespace

TEST(DatasetManifest, writesSortedKeysAndReadsBackEqual)
{
    test::TemporaryFolder folder;
    auto url = folder / "nuovo/dataset/manifest.json"; // the folder does not exist yet
    auto manifest = sampleManifest();
    manifest.write(url);
    EXPECT_EQ(DatasetManifest::read(url), manifest);

    std::string text = test::readFile(url);
    const char* order[] = {"attribution", "displayName", "id", "importedAt", "license", "missingSystems",
        "notes", "sourceURL", "structureCount", "systemCounts", "triangleCount", "version", "vertexCount"};
    std::size_t previous = 0;
    for (const char* key : order) {
        auto position = text.find("\"" + std::string(key) + "\":");
        ASSERT_NE(position, std::string::npos) << key;
        EXPECT_GT(position, previous) << key;
        previous = position;
    }
    EXPECT_LT(text.find("\"1\""), text.find("\"17\""));
    EXPECT_LT(text.find("\"17\""), text.find("\"2\""));
    EXPECT_NE(text.find("\"importedAt\": \"2024-05-01T12:30:45Z\""), std::string::npos);
    EXPECT_NE(text.find('\n'), std::string::npos) << "pretty-printed";

    struct stat status { };
    ASSERT_EQ(stat(url.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_EQ(std::distance(fs::directory_iterator(url.parent_path()), fs::directory_iterator()), 1)
        << "no temporary file left beside the manifest";
}

TEST(DatasetManifest, writingDropsFractionsOfASecond)
{
    test::TemporaryFolder folder;
    auto manifest = sampleManifest();
    manifest.importedAt += milliseconds(999);
    manifest.write(folder / "manifest.json");
    auto back = DatasetManifest::read(folder / "manifest.json");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->importedAt, at(2024, 5, 1, 12, 30, 45));
}

TEST(DatasetManifest, writeReplacesAnExistingFileAndFailsWhereNoFolderCanBeMade)
{
    test::TemporaryFolder folder;
    auto url = folder / "manifest.json";
    test::writeFile(url, "vecchio contenuto più lungo di quanto serva per essere sovrascritto solo in parte");
    sampleManifest().write(url);
    EXPECT_TRUE(DatasetManifest::read(url));

    test::writeFile(folder / "file", "x");
    EXPECT_THROW(sampleManifest().write(folder / "file/manifest.json"), FileError);
}

TEST(DatasetManifest, decodingIsStrict)
{
    auto good = nlohmann::json::parse(sampleManifest().encoded());
    auto decodes = [](const nlohmann::json& document) {
        try {
            DatasetManifest::decode(document.dump());
            return true;
        } catch (const DecodingError&) {
            return false;
        }
    };
    ASSERT_TRUE(decodes(good));
    auto extra = good;
    extra["revision"] = 7;
    EXPECT_TRUE(decodes(extra)) << "unknown keys are ignored";

    for (const auto& [key, value] : good.items()) {
        auto missing = good;
        missing.erase(key);
        EXPECT_FALSE(decodes(missing)) << "without " << key;
        auto wrongType = good;
        wrongType[key] = nlohmann::json::array({1});
        EXPECT_FALSE(decodes(wrongType)) << key << " as array";
    }
    const std::pair<const char*, nlohmann::json> wrongValues[] = {
        {"structureCount", 3.5},
        {"structureCount", "3"},
        {"triangleCount", 18446744073709551615ull},
        {"vertexCount", true},
        {"systemCounts", {{"1", "uno"}}},
        {"missingSystems", {"a", 2}},
        {"importedAt", "2024-05-01T12:30:45.250Z"},
        {"importedAt", "2024-05-01T12:30:45+02:00"},
        {"importedAt", "2024-05-01 12:30:45Z"},
        {"importedAt", "2024-02-30T12:30:45Z"},
        {"importedAt", "2024-05-01T24:00:00Z"},
        {"importedAt", "2024-05-01T12:30:60Z"},
        {"importedAt", "２０２４-05-01T12:30:45Z"},
        // Beyond the clock's nanosecond range: the time would overflow into another.
        {"importedAt", "4048-05-01T12:00:00Z"},
        {"importedAt", "1677-09-21T00:12:43Z"},
    };
    for (const auto& [key, value] : wrongValues) {
        auto document = good;
        document[key] = value;
        EXPECT_FALSE(decodes(document)) << key << " = " << value.dump();
    }
    for (const char* edge : {"1677-09-21T00:12:44Z", "2262-04-11T23:47:16Z"}) {
        auto document = good;
        document["importedAt"] = edge;
        EXPECT_TRUE(decodes(document)) << edge;
    }
    EXPECT_THROW(DatasetManifest::decode("[]"), DecodingError);
    EXPECT_THROW(DatasetManifest::decode("{\"id\":"), DecodingError);
    EXPECT_THROW(DatasetManifest::decode(""), DecodingError);
}

TEST(DatasetManifest, readGivesNothingForMissingMalformedOrSpecialFiles)
{
    test::TemporaryFolder folder;
    EXPECT_FALSE(DatasetManifest::read(folder / "assente.json"));
    test::writeFile(folder / "rotto.json", "{ non json");
    EXPECT_FALSE(DatasetManifest::read(folder / "rotto.json"));
    EXPECT_FALSE(DatasetManifest::read(folder.path())) << "a folder is not a manifest";
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(DatasetManifest::read(folder / "fifo")) << "must not block on a FIFO";
}

TEST(DatasetManifest, installedIsEmptyWithoutADatasetsFolderAndCreatesNothing)
{
    EXPECT_TRUE(DatasetManifest::installed().empty());
    EXPECT_FALSE(fs::exists(AppPaths::applicationSupport()));
}

TEST(DatasetManifest, installedListsNewestFirstAndSkipsUnusableFolders)
{
    DatasetsFolderCleaner cleaner;
    auto write = [](const std::string& folderName, DatasetManifest manifest) {
        manifest.write(AppPaths::datasetsDirectory() / folderName / "manifest.json");
    };
    auto older = sampleManifest("vecchio");
    older.importedAt = at(2023, 1, 1, 0, 0, 0);
    auto newer = sampleManifest("nuovo");
    newer.importedAt = at(2025, 1, 1, 0, 0, 0);
    write("vecchio", older);
    write("nuovo", newer);

    auto withoutNotes = nlohmann::json::parse(sampleManifest("senza-note").encoded());
    withoutNotes.erase("notes");
    test::writeFile(AppPaths::datasetsDirectory() / "senza-note/manifest.json", withoutNotes.dump());
    fs::create_directories(AppPaths::datasetsDirectory() / "vuoto");
    write(".nascosto.incoming", sampleManifest(".nascosto.incoming"));
    write("altro-nome", sampleManifest("nuovo")); // a copied folder naming another dataset
    test::writeFile(AppPaths::datasetsDirectory() / "file-sciolto", "x");

    auto installed = DatasetManifest::installed();
    ASSERT_EQ(installed.size(), 2u);
    EXPECT_EQ(installed[0], newer);
    EXPECT_EQ(installed[1], older);
}

// Folders under names no dataset may take, whatever hides or reorders their
// letters, are named masked: none shows blank, reversed or like another. (Each
// holds no dataset file: one would make a folder of Hangul fillers a dataset
// installed before its id was refused.)
TEST(DatasetManifest, foldersNoIdMayNameAreListedMasked)
{
    const std::pair<std::string, std::string> cases[] = {
        {"skel\u202eosso", "«skel?osso»"},
        {"\u3164\u3164", "«??»"},
        {"a\u115f\u1160b", "«a??b»"},
        {" skel\ufe0f\U0001D159\u2800", "«?skel???»"},
    };
    for (const auto& [folder, quoted] : cases) {
        SCOPED_TRACE(quoted);
        DatasetsFolderCleaner cleaner;
        test::writeFile(AppPaths::datasetsDirectory() / folder / "leggimi.txt", "non un dataset");
        const auto installed = DatasetManifest::scanInstalled();
        EXPECT_TRUE(installed.manifests.empty());
        EXPECT_EQ(installed.misnamedFolders, std::vector<std::string> {folder});
        const auto notice = installed.notice();
        ASSERT_TRUE(notice);
        EXPECT_NE(notice->sentence.find(": " + quoted + " ("), std::string::npos) << notice->sentence;
    }
}

TEST(DatasetManifest, installedKeepsListingOrderForEqualDates)
{
    DatasetsFolderCleaner cleaner;
    std::vector<std::string> ids = {"a", "b", "c", "d", "e", "f"};
    for (const auto& id : ids)
        sampleManifest(id).write(AppPaths::manifestURL(id));
    std::vector<std::string> listing;
    for (const auto& entry : fs::directory_iterator(AppPaths::datasetsDirectory()))
        listing.push_back(entry.path().filename().string());

    std::vector<std::string> installed;
    for (const auto& manifest : DatasetManifest::installed())
        installed.push_back(manifest.id);
    EXPECT_EQ(installed, listing);
}
