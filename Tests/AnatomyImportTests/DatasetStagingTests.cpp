#include "AnatomyImport/Internal/DatasetStaging.h"

#include "FreshDataFolder.h"
#include "TemporaryFolder.h"

#include "AnatomyCore/Storage/AppPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

using namespace morvena;
using namespace morvena::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> entriesOf(const fs::path& folder)
{
    std::vector<std::string> entries;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        entries.push_back(entry.path().filename().string());
    std::ranges::sort(entries);
    return entries;
}

using DatasetStagingTest = FreshDataFolder;

} // namespace

TEST_F(DatasetStagingTest, commitInstallsAFirstDatasetAndReplacesALaterOne)
{
    const auto installed = AppPaths::datasetDirectory("primo");
    {
        DatasetStaging staging("primo");
        EXPECT_EQ(staging.installedFolder(), installed);
        EXPECT_EQ(staging.folder(), AppPaths::datasetsDirectory() / ".primo.incoming");
        EXPECT_TRUE(entriesOf(staging.folder()).empty());
        writeFile(staging.folder() / "manifest.json", "uno");
        staging.commit();
        staging.commit(); // once is enough: a second call must not swap back
    }
    EXPECT_EQ(readFile(installed / "manifest.json"), "uno");
    {
        DatasetStaging staging("primo");
        writeFile(staging.folder() / "manifest.json", "due");
        staging.commit();
    }
    EXPECT_EQ(readFile(installed / "manifest.json"), "due");
    EXPECT_EQ(entriesOf(AppPaths::datasetsDirectory()), std::vector<std::string> {"primo"});
}

TEST_F(DatasetStagingTest, withoutCommitTheInstalledDatasetStaysAndNothingIsLeft)
{
    const auto installed = AppPaths::datasetDirectory("secondo");
    writeFile(installed / "manifest.json", "installato");
    // What a crashed import left behind is cleared first.
    writeFile(AppPaths::datasetsDirectory() / ".secondo.incoming" / "vecchio", "x");
    {
        DatasetStaging staging("secondo");
        EXPECT_TRUE(entriesOf(staging.folder()).empty());
        writeFile(staging.folder() / "manifest.json", "a metà");
    }
    EXPECT_EQ(readFile(installed / "manifest.json"), "installato");
    EXPECT_EQ(entriesOf(AppPaths::datasetsDirectory()), std::vector<std::string> {"secondo"});
    EXPECT_THROW(DatasetStaging("../fuori"), AppPaths::InvalidDatasetID);
}

// A kill between the renames of a swap leaves the dataset set aside. What has
// taken its place since goes only while it is an empty folder; anything else
// refuses the import, naming both places, and nothing is removed.
TEST_F(DatasetStagingTest, aDatasetSetAsideReturnsWhereOnlyAnEmptyFolderTookItsPlace)
{
    const auto datasets = AppPaths::datasetsDirectory();
    fs::create_directories(datasets / "altrove");
    const std::tuple<std::string, std::function<void(const fs::path&)>, bool> cases[] = {
        {"cartella-vuota", [](auto& into) { fs::create_directory(into); }, true},
        {"collegamento", [&](auto& into) { fs::create_directory_symlink(datasets / "altrove", into); },
            false},
        {"file", [](auto& into) { writeFile(into, "x"); }, false},
        {"senza-database", [](auto& into) { writeFile(into / "manifest.json", "{}"); }, false},
    };
    for (const auto& [id, leave, putBack] : cases) {
        SCOPED_TRACE(id);
        const auto into = datasets / id;
        const auto previous = datasets / ("." + id + ".previous");
        writeFile(previous / "anatomy.sqlite", "le note");
        leave(into);
        try {
            DatasetStaging staging(id);
            EXPECT_TRUE(putBack);
            EXPECT_EQ(readFile(into / "anatomy.sqlite"), "le note");
            EXPECT_FALSE(fs::exists(previous));
        } catch (const std::runtime_error& error) {
            EXPECT_FALSE(putBack) << error.what();
            EXPECT_THAT(error.what(),
                testing::AllOf(
                    testing::HasSubstr(into.string() + " c'è "), testing::HasSubstr(previous.string())));
            EXPECT_EQ(readFile(previous / "anatomy.sqlite"), "le note");
            EXPECT_TRUE(fs::exists(fs::symlink_status(into)));
        }
    }
}
