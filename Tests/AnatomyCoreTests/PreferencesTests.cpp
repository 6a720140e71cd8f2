#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/Preferences.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <limits>

using namespace morvena;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

AnatomyViewState viewState()
{
    return AnatomyViewState {.cameraTarget = {1, 2, 3},
        .cameraDistance = 900,
        .visibleSystems = {1},
        .systemOpacity = {{"1", 0.5f}},
        .selected = {"FMA5018"},
        .clipAxis = 1};
}

json storedSettings(const fs::path& file)
{
    return json::parse(test::readFile(file));
}

} // namespace

TEST(Preferences, emptyStoreReadsTheRegisteredDefaultsAndWritesNothing)
{
    test::TemporaryFolder folder;
    Preferences preferences(folder / "Morvena/viewer.json");
    EXPECT_TRUE(preferences.showLabels());
    EXPECT_TRUE(preferences.ghostOthersOnSelect());
    EXPECT_TRUE(preferences.darkBackground());
    EXPECT_TRUE(preferences.showEyesAndTeeth());
    EXPECT_EQ(preferences.ghostOpacity(), 0.1f);
    EXPECT_EQ(preferences.lodBias(), 1.0f);
    EXPECT_EQ(preferences.renderQuality(), 0);
    EXPECT_EQ(preferences.backgroundPalette(), 0);
    EXPECT_EQ(preferences.lastDatasetID(), "");
    EXPECT_FALSE(preferences.lastViewState());
    EXPECT_FALSE(fs::exists(folder / "Morvena")) << "defaults live in code, not on disk";
}

TEST(Preferences, valuesPersistAcrossInstancesAndOnlyStoredKeysAreWritten)
{
    test::TemporaryFolder folder;
    auto file = folder / "Morvena/viewer.json"; // the folder is made on the first write
    {
        Preferences preferences(file);
        preferences.setShowLabels(false);
        preferences.setGhostOpacity(0.35f);
        preferences.setRenderQuality(2);
        preferences.setLastDatasetID("bodyparts3d-4.0");
        preferences.setLastViewState(viewState());
    }
    Preferences reopened(file);
    EXPECT_FALSE(reopened.showLabels());
    EXPECT_EQ(reopened.ghostOpacity(), 0.35f);
    EXPECT_EQ(reopened.renderQuality(), 2);
    EXPECT_EQ(reopened.lastDatasetID(), "bodyparts3d-4.0");
    EXPECT_EQ(reopened.lastViewState(), viewState());
    EXPECT_TRUE(reopened.darkBackground());

    auto stored = storedSettings(file);
    EXPECT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored["ghostOpacity"].dump(), "0.35");
    EXPECT_TRUE(stored["lastViewState"].is_string());
    struct stat status { };
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST(Preferences, writesMergeWhatAnotherInstanceStoredMeanwhile)
{
    test::TemporaryFolder folder;
    auto file = folder / "viewer.json";
    Preferences first(file);
    Preferences second(file);
    first.setDarkBackground(false);
    second.setBackgroundPalette(3);
    Preferences third(file);
    EXPECT_FALSE(third.darkBackground());
    EXPECT_EQ(third.backgroundPalette(), 3);
}

TEST(Preferences, storingNoViewStateRemovesTheKey)
{
    test::TemporaryFolder folder;
    auto file = folder / "viewer.json";
    Preferences preferences(file);
    preferences.setLastViewState(viewState());
    preferences.setLastViewState(std::nullopt);
    EXPECT_FALSE(preferences.lastViewState());
    EXPECT_FALSE(storedSettings(file).contains("lastViewState"));
}

TEST(Preferences, aViewStateWithNaNDoesNotReplaceTheRememberedOne)
{
    test::TemporaryFolder folder;
    auto file = folder / "viewer.json";
    Preferences preferences(file);
    preferences.setLastViewState(viewState());
    auto spoiled = viewState();
    spoiled.explode = std::numeric_limits<float>::quiet_NaN();
    preferences.setLastViewState(spoiled);
    EXPECT_EQ(preferences.lastViewState(), viewState());
    EXPECT_EQ(Preferences(file).lastViewState(), viewState());
}

TEST(Preferences, storedValuesOfOtherTypesAreConverted)
{
    test::TemporaryFolder folder;
    auto file = folder / "viewer.json";
    test::writeFile(file, R"({
        "showLabels": "NO", "ghostOthersOnSelect": 0, "darkBackground": "yes", "showEyesAndTeeth": [true],
        "ghostOpacity": "0.5", "lodBias": true, "renderQuality": 2.9, "backgroundPalette": "tre",
        "lastDatasetID": 42, "lastViewState": {"cameraTarget": [0, 0, 0]}
    })");
    Preferences preferences(file);
    EXPECT_FALSE(preferences.showLabels());
    EXPECT_FALSE(preferences.ghostOthersOnSelect());
    EXPECT_TRUE(preferences.darkBackground());
    EXPECT_FALSE(preferences.showEyesAndTeeth());
    EXPECT_EQ(preferences.ghostOpacity(), 0.5f);
    EXPECT_EQ(preferences.lodBias(), 1.f);
    EXPECT_EQ(preferences.renderQuality(), 2);
    EXPECT_EQ(preferences.backgroundPalette(), 0);
    EXPECT_EQ(preferences.lastDatasetID(), "42");
    EXPECT_FALSE(preferences.lastViewState()) << "only a JSON text is a view state";

    test::writeFile(file, R"({"ghostOpacity": "nan", "renderQuality": 1e300, "lastDatasetID": null})");
    Preferences odd(file);
    EXPECT_EQ(odd.ghostOpacity(), 0.f);
    EXPECT_EQ(odd.renderQuality(), 0);
    EXPECT_EQ(odd.lastDatasetID(), "");
}

TEST(Preferences, aDamagedFileReadsAsDefaultsAndIsReplacedOnTheNextWrite)
{
    test::TemporaryFolder folder;
    auto file = folder / "viewer.json";
    test::writeFile(file, "{\"showLabels\": false,");
    Preferences preferences(file);
    EXPECT_TRUE(preferences.showLabels());
    preferences.setLodBias(2.5f);
    EXPECT_EQ(storedSettings(file), json({{"lodBias", 2.5}}));
}

TEST(Preferences, eachProgramHasItsOwnFileAndSharedUsesTheChosenOne)
{
    auto viewerFile = Preferences::settingsFile(Preferences::Program::viewer);
    auto toolFile = Preferences::settingsFile(Preferences::Program::tool);
    EXPECT_EQ(viewerFile, AppPaths::settingsDirectory() / "viewer.json");
    EXPECT_EQ(toolFile, AppPaths::settingsDirectory() / "mrvtool.json");

    Preferences::selectProgram(Preferences::Program::tool);
    Preferences::shared().setLastDatasetID("importato");
    EXPECT_EQ(&Preferences::shared(), &Preferences::shared());
    EXPECT_EQ(Preferences(toolFile).lastDatasetID(), "importato");
    EXPECT_EQ(Preferences(viewerFile).lastDatasetID(), "");
    EXPECT_THROW(Preferences::selectProgram(Preferences::Program::viewer), std::logic_error);
    EXPECT_NO_THROW(Preferences::selectProgram(Preferences::Program::tool));
}
