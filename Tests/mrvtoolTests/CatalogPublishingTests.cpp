#include "TemporaryFolder.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Publishing/CatalogPublishing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace morvena::tool {
namespace {

using test::TemporaryFolder;
using test::writeFile;

TEST(CatalogPublishing, ratioOfAnEmptyDatasetIsAbsentInsteadOfDividingByZero)
{
    EXPECT_EQ(CatalogPublishing::ratioText(38, 100), "(38% dell'originale)");
    EXPECT_EQ(CatalogPublishing::ratioText(1, 3), "(33% dell'originale)");
    EXPECT_EQ(CatalogPublishing::ratioText(0, 0), "(— dell'originale)");
    EXPECT_EQ(CatalogPublishing::ratioText(3512, 0), "(— dell'originale)");
}

TEST(CatalogPublishing, directorySizeCountsNestedFilesButNotLinks)
{
    TemporaryFolder folder;
    writeFile(folder / "a.bin", std::string(100, 'a'));
    writeFile(folder / "nested" / "deeper" / "b.bin", std::string(23, 'b'));
    std::filesystem::create_symlink(folder / "a.bin", folder / "link");
    EXPECT_EQ(CatalogPublishing::directorySize(folder.path()), 123);
    EXPECT_EQ(CatalogPublishing::directorySize(folder / "missing"), 0);
}

TEST(CatalogPublishing, archiveNameKeepsToOneFileOfTheOutputFolder)
{
    EXPECT_EQ(CatalogPublishing::archiveName("bodyparts3d-4.0", "1"), "bodyparts3d-4.0-r1.mrvz");
    EXPECT_EQ(CatalogPublishing::archiveName("set", "2024-05"), "set-r2024-05.mrvz");
    for (const auto& revision :
        std::vector<std::string> {"../../x", "1/2", "1\\2", "a..", "1\n2", std::string(300, '9')})
        EXPECT_THROW(CatalogPublishing::archiveName("set", revision), Fail) << revision;
}

TEST(CatalogPublishing, mergeReplacesTheEntryAndSortsStablyByStructureCount)
{
    auto entry = [](std::string id, std::int64_t structures, std::string version = "1") {
        DatasetCatalog::Entry made;
        made.id = std::move(id);
        made.structureCount = structures;
        made.version = std::move(version);
        return made;
    };
    DatasetCatalog catalog {.formatVersion = 1,
        .datasets
        = {entry("b", 1200), entry("new", 10), entry("a", 3000), entry("c", 1200), entry("new", 99)}};

    CatalogPublishing::merge(catalog, entry("new", 1200, "2"));

    std::vector<std::string> order;
    for (const auto& kept : catalog.datasets)
        order.push_back(kept.id);
    EXPECT_THAT(order, testing::ElementsAre("a", "b", "c", "new"));
    EXPECT_EQ(catalog.datasets.back().version, "2");
}

TEST(CatalogPublishing, writtenCatalogReadsBackAndDamagedOnesAreIgnored)
{
    TemporaryFolder folder;
    auto file = folder / "catalog.json";
    EXPECT_FALSE(CatalogPublishing::readIfValid(file));
    EXPECT_THROW(CatalogPublishing::read(file), std::exception);

    DatasetCatalog catalog {.formatVersion = 1, .datasets = {}};
    catalog.datasets.emplace_back().id = "città";
    catalog.datasets.back().installedBytes = 1;
    catalog.macApp = DatasetCatalog::AppRelease {"2.0", "", "https://x/M.dmg", 5, "macOS 15", ""};
    CatalogPublishing::write(catalog, file);
    EXPECT_EQ(CatalogPublishing::read(file), catalog);
    EXPECT_EQ(std::filesystem::directory_iterator(folder.path())->path(), file)
        << "no temporary file is left";

    writeFile(file, "{\"formatVersion\": 1}");
    EXPECT_FALSE(CatalogPublishing::readIfValid(file));
    catalog.datasets[0].id = "\xff";
    EXPECT_THROW(CatalogPublishing::write(catalog, file), Fail);
    EXPECT_EQ(test::readFile(file), "{\"formatVersion\": 1}");
}

} // namespace
} // namespace morvena::tool
