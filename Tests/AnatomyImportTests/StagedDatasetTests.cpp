#include "AnatomyCore/AppPaths.h"
#include "AnatomyImport/StagedDataset.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using namespace morvena;
using morvena::test::readFile;
using morvena::test::writeFile;

namespace {

std::set<std::string> entries(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(StagedDataset, installReplacesTheWholeFolderAndLeavesNoSiblings)
{
    auto target = AppPaths::datasetDirectory("staged");
    writeFile(target / "anatomy.sqlite", "vecchio");
    writeFile(target / "anatomy.sqlite-wal", "vecchio wal");
    writeFile(target / "anatomy.sqlite-shm", "vecchio shm");
    {
        StagedDataset staged("staged");
        EXPECT_EQ(staged.folder(), AppPaths::datasetsDirectory() / ".staged.incoming");
        writeFile(staged.folder() / "anatomy.sqlite", "nuovo");
        EXPECT_EQ(readFile(target / "anatomy.sqlite"), "vecchio"); // untouched until installed
        staged.install();
    }
    EXPECT_EQ(entries(target), (std::set<std::string> {"anatomy.sqlite"}));
    EXPECT_EQ(readFile(target / "anatomy.sqlite"), "nuovo");
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetsDirectory() / ".staged.incoming"));
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetsDirectory() / ".staged.previous"));

    // A first install creates the folder.
    {
        StagedDataset staged("nuovo");
        writeFile(staged.folder() / "manifest.json", "{}");
        staged.install();
    }
    EXPECT_EQ(entries(AppPaths::datasetDirectory("nuovo")), (std::set<std::string> {"manifest.json"}));
}

TEST(StagedDataset, anUninstalledStagingFolderGoesAndTheDatasetStays)
{
    auto target = AppPaths::datasetDirectory("intatto");
    writeFile(target / "manifest.json", "vecchio");
    // A staging folder left behind by a crashed run is cleared first.
    writeFile(AppPaths::datasetsDirectory() / ".intatto.incoming" / "geometry.mrvpack", "avanzo");
    {
        StagedDataset staged("intatto");
        EXPECT_TRUE(entries(staged.folder()).empty());
        writeFile(staged.folder() / "manifest.json", "nuovo");
    }
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetsDirectory() / ".intatto.incoming"));
    EXPECT_EQ(readFile(target / "manifest.json"), "vecchio");
}

TEST(StagedDataset, refusesAnIdThatLeavesTheDatasetsFolder)
{
    EXPECT_THROW(StagedDataset("../fuori"), AppPaths::InvalidDatasetID);
    EXPECT_THROW(StagedDataset(""), AppPaths::InvalidDatasetID);
}
