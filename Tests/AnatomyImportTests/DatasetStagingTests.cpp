#include "AnatomyImport/Internal/DatasetStaging.h"

#include "FreshDataFolder.h"
#include "TemporaryFolder.h"

#include "AnatomyCore/Storage/AppPaths.h"

#include <gtest/gtest.h>

#include <algorithm>

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
