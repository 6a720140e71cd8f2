#include "DatabaseFiles.h"
#include "ViewedModel.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Support/SmallFile.h"
#include "AnatomyRender/AnatomyScene.h"

#include <cmath>
#include <numbers>

using namespace morvena;
using namespace morvena::test;
using Field = AppModel::Field;
using enum AnatomySystem;

namespace {

// Sixteen boxes "V0" to "V15": skeletal but for a muscle (V13) and a nerve (V14).
TestDataset sixteenBoxes(const std::string& id = "sedici")
{
    std::vector<std::pair<std::string, AnatomySystem>> boxes;
    for (int i = 0; i < 16; ++i)
        boxes.emplace_back("V" + std::to_string(i), i == 13 ? muscular : i == 14 ? nervous : skeletal);
    return boxDataset(id, boxes);
}

std::vector<std::string> firstConcepts(int count)
{
    std::vector<std::string> concepts;
    for (int i = 0; i < count; ++i)
        concepts.push_back("V" + std::to_string(i));
    return concepts;
}

AnatomyViewState fullState()
{
    AnatomyViewState state;
    state.cameraTarget = {1.5f, -2, 3};
    state.cameraDistance = 50;
    state.cameraYaw = 0.7f;
    state.cameraPitch = -0.4f;
    state.visibleSystems = {rawValue(skeletal), rawValue(nervous)};
    state.systemOpacity = {{"1", 0.4f}, {"7", 0.8f}};
    state.hiddenStructures = {"V15", "GONE"};
    state.isolatedStructures = {"V14", "V13"};
    state.selected = firstConcepts(15);
    state.clipEnabled = true;
    state.clipAxis = 1;
    state.clipOffset = -12.5f;
    state.clipFlipped = true;
    state.explode = 0.25f;
    state.ghostOthers = false;
    return state;
}

// Every field of the state changed.
AnatomyViewState otherState()
{
    AnatomyViewState state;
    state.cameraTarget = {0, 0, 0};
    state.cameraDistance = 80;
    state.visibleSystems = {rawValue(muscular)};
    state.selected = {"V3"};
    state.clipAxis = 2;
    state.clipOffset = 7;
    state.explode = 0.9f;
    state.ghostOthers = true;
    return state;
}

std::vector<std::int64_t> members(const StructureSet& set)
{
    return {set.members().begin(), set.members().end()};
}

} // namespace

TEST(AppModelViewStates, aSavedViewPutsEveryFieldBackAndKeepsTheTwelveCards)
{
    ViewedModel fixture(sixteenBoxes());
    auto& model = *fixture.model;
    model.apply(fullState());
    ASSERT_EQ(model.selectedIndices().size(), 15u);
    ASSERT_EQ(model.selection().size(), 12u);
    ASSERT_TRUE(model.saveCurrentView("prima"));
    const auto saved = model.currentViewState();
    ASSERT_TRUE(saved);
    auto expected = fullState();
    expected.hiddenStructures = {"V15"};
    expected.selected = firstConcepts(12); // the cards, not the 15 indices
    EXPECT_EQ(*saved, expected);

    model.apply(otherState());
    ASSERT_EQ(model.selectedIndices().size(), 1u);
    model.restore(model.savedViews().front());

    const auto camera = model.renderer()->camera();
    EXPECT_EQ(camera.target, (Float3 {1.5f, -2, 3}));
    EXPECT_EQ(camera.distance, 50);
    EXPECT_EQ(camera.yaw, 0.7f);
    EXPECT_EQ(camera.pitch, -0.4f);
    EXPECT_EQ(model.visibleSystems(), (std::set {skeletal, nervous}));
    EXPECT_EQ(model.scene()->visibleSystems, model.visibleSystems());
    EXPECT_EQ(model.systemOpacity(), (std::map<AnatomySystem, float> {{skeletal, 0.4f}, {nervous, 0.8f}}));
    EXPECT_EQ(model.scene()->systemOpacity, model.systemOpacity());
    EXPECT_EQ(members(model.scene()->hidden), std::vector {fixture.indexOf("V15")});
    EXPECT_EQ(model.hiddenCount(), 1);
    EXPECT_EQ(
        members(model.scene()->isolated), (std::vector {fixture.indexOf("V14"), fixture.indexOf("V13")}));
    EXPECT_TRUE(model.isolationActive());
    EXPECT_EQ(model.selectedIndices().size(), 12u);
    EXPECT_EQ(fixture.selectedConcepts(), firstConcepts(12));
    EXPECT_EQ(members(model.scene()->selected), model.selectedIndices());
    EXPECT_EQ(model.scene()->clip, (ClipPlane {ClipAxis::transverse, -12.5f, true}));
    EXPECT_EQ(model.explode(), 0.25f);
    EXPECT_EQ(model.scene()->explode, 0.25f);
    EXPECT_FALSE(model.ghostOthers());
    EXPECT_FALSE(model.scene()->ghostOthers);
    EXPECT_EQ(model.currentViewState(), saved);
}

TEST(AppModelViewStates, whatIsRestoredStaysWithinWhatTheControlsCanShow)
{
    ViewedModel fixture(sixteenBoxes());
    auto& model = *fixture.model;
    const float radius = model.renderer()->camera().sceneRadius;
    const Float3 target = model.renderer()->camera().target;
    AnatomyViewState state = fullState();
    state.cameraTarget = {9, 9}; // not a point: the camera keeps its own
    state.cameraPitch = 3;
    state.cameraYaw = 7;
    state.cameraDistance = 1e9f;
    state.explode = 7;
    state.clipOffset = 5000;
    state.systemOpacity = {{"1", 4}, {"2", -1}};
    state.hiddenStructures = {"V1", "V1", "V2"};
    state.isolatedStructures = {"GONE"};
    state.selected = {"V2", "V1", "V2"};
    model.apply(state);

    const auto camera = model.renderer()->camera();
    EXPECT_EQ(camera.target, target);
    EXPECT_EQ(camera.pitch, OrbitCamera::pitchLimit);
    EXPECT_NEAR(camera.yaw, 7 - 2 * std::numbers::pi, 1e-5);
    EXPECT_EQ(camera.distance, 12 * radius);
    EXPECT_EQ(model.explode(), 1);
    EXPECT_EQ(model.clipOffset(), 900);
    EXPECT_EQ(model.systemOpacity(), (std::map<AnatomySystem, float> {{skeletal, 1}, {muscular, 0}}));
    EXPECT_EQ(model.hiddenCount(), 2);
    EXPECT_FALSE(model.isolationActive()) << "no isolated concept is known";
    EXPECT_EQ(fixture.selectedConcepts(), (std::vector<std::string> {"V2", "V1"}));

    state.cameraPitch = -3;
    state.cameraDistance = 0;
    state.explode = -2;
    state.clipOffset = -5000;
    model.apply(state);
    EXPECT_EQ(model.renderer()->camera().pitch, -OrbitCamera::pitchLimit);
    EXPECT_EQ(model.renderer()->camera().distance, 0.01f * radius);
    EXPECT_EQ(model.explode(), 0);
    EXPECT_EQ(model.clipOffset(), -900);
}

// A view stored while ids kept invisible characters finds the structure whose
// name gave each id then, and none where no name or two names gave it.
TEST(AppModelViewStates, anIdOfTheFormerRuleFindsTheOneStructureWhoseNameGaveIt)
{
    const std::pair<std::string, std::string> structures[] = {
        {"osso", "Osso"}, {"osso_1", "Os\u200bso"}, {"femore", "Fe\u200bmore"}, {"femore_3", "Fe\u200bmore"}};
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"os\u200bso", {"osso_1"}}, // two names that differ by one U+200B
        {"os\u2060so", {}},
        {"fe\u200bmore", {}},
    };
    TestDataset dataset("ossa");
    int column = 4;
    for (const auto& [conceptID, name] : structures) {
        dataset.add(conceptID, name, skeletal, pixelBox(conceptID, column, 20, column + 6, 40));
        column += 10;
    }
    ViewedModel fixture(dataset);
    for (const auto& [stored, found] : cases) {
        SCOPED_TRACE(stored);
        AnatomyViewState state;
        state.selected = {stored};
        fixture.model->apply(state);
        EXPECT_EQ(fixture.selectedConcepts(), found);
    }
}

TEST(AppModelViewStates, aViewRestoredWhileTheCameraTurnsKeepsItsCamera)
{
    ViewedModel fixture(sixteenBoxes());
    auto& model = *fixture.model;
    model.apply(CameraPreset::left);
    ASSERT_TRUE(model.renderer()->isAnimating());
    model.apply(fullState());
    const auto camera = fixture.finishCameraMove();
    EXPECT_EQ(camera.target, (Float3 {1.5f, -2, 3}));
    EXPECT_EQ(camera.yaw, 0.7f);
    EXPECT_EQ(camera.pitch, -0.4f);
}

TEST(AppModelLastView, theClosedWindowsViewComesBackOnlyInItsOwnDataset)
{
    GLModel fixture;
    fixture.install(sixteenBoxes("a"));
    fixture.install(boxDataset("b", {{"V1", skeletal}, {"W", skeletal}}));
    {
        auto& model = fixture.create();
        model.load("a");
        model.apply(fullState());
        model.setShowLabels(false);
        model.persistViewState();
    }
    auto stored = fixture.sandbox.reread().lastViewState();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->cameraDistance, 50);
    EXPECT_FALSE(fixture.sandbox.reread().showLabels());

    auto& model = fixture.create();
    model.load("b");
    FakeViewport view(model);
    model.viewportReady(view.handle);
    model.renderer()->setClock([] { return 1000.0; }); // the framing move has ended
    drawFrame(*model.renderer(), fixture.context);
    EXPECT_FALSE(model.cameraIsPlaced());
    EXPECT_NE(model.renderer()->camera().target, (Float3 {1.5f, -2, 3})) << "framed whole";
    EXPECT_NE(model.renderer()->camera().distance, 50);
    ASSERT_EQ(model.selection().size(), 1u) << "the rest applies anywhere";
    EXPECT_EQ(model.selection()[0].conceptID, "V1");

    model.load("a");
    EXPECT_TRUE(model.cameraIsPlaced());
    EXPECT_EQ(model.renderer()->camera().target, (Float3 {1.5f, -2, 3}));
    EXPECT_EQ(model.renderer()->camera().distance, 50);
}

TEST(AppModelLastView, aWindowClosedWithNothingLoadedLeavesTheSettingsFileAsItWas)
{
    GLModel fixture;
    fixture.install(boxDataset("broken", {{"V1", skeletal}}));
    std::filesystem::remove(fixture.sandbox.dataHome / "Morvena/datasets/broken/geometry.mrvpack");
    fixture.sandbox.preferences->setLastViewState(fullState());
    const auto before = SmallFile::read(fixture.sandbox.settingsFile);
    auto& model = fixture.create();
    model.load("broken");
    ASSERT_TRUE(holds<AppModel::Failed>(model));
    model.persistViewState();
    EXPECT_EQ(SmallFile::read(fixture.sandbox.settingsFile), before);
}

TEST(AppModelSavedViews, storedUnderTheirNamesAndOnlySaidToBeSavedWhenTheyWere)
{
    const auto dataset = sixteenBoxes();
    ViewedModel fixture(dataset);
    auto& model = *fixture.model;
    ASSERT_TRUE(model.saveCurrentView("uno"));
    ASSERT_TRUE(model.saveCurrentView(" "));
    ASSERT_TRUE(model.saveCurrentView(""));
    EXPECT_EQ(model.lastMessage(), "Vista salvata.");
    std::vector<std::string> names;
    for (const auto& view : model.savedViews())
        names.push_back(view.name);
    EXPECT_EQ(std::set(names.begin(), names.end()), (std::set<std::string> {"uno", " ", "Vista 3"}));

    model.deleteView(model.savedViews().front());
    EXPECT_EQ(model.savedViews().size(), 2u);
    const auto file = databaseFile(fixture, dataset);
    EXPECT_EQ(model.savedViews(), AnatomyDB(file, true).savedViews());

    dropTable(file, "saved_views");
    EXPECT_FALSE(model.saveCurrentView("persa"));
    EXPECT_EQ(model.lastMessage(), "Impossibile salvare la vista.");
    EXPECT_EQ(model.savedViews(), AnatomyDB(file, true).savedViews());
    model.deleteView({.id = 1});
    EXPECT_EQ(model.lastMessage(), "Impossibile eliminare la vista.");
}

TEST(AppModelSavedViews, aViewThatCannotBeEncodedIsNotStored)
{
    ViewedModel fixture(sixteenBoxes());
    auto& model = *fixture.model;
    model.setExplode(std::nanf(""));
    ASSERT_FALSE(model.currentViewState()->isEncodable());
    EXPECT_FALSE(model.saveCurrentView("rotta"));
    EXPECT_EQ(model.lastMessage(), "Impossibile salvare la vista.");
    EXPECT_TRUE(model.savedViews().empty());
}

TEST(AppModelSavedViews, anUndecodablePayloadChangesNothing)
{
    ViewedModel fixture(sixteenBoxes());
    auto& model = *fixture.model;
    model.apply(fullState());
    const auto before = model.currentViewState();
    ChangeLog log(model);
    const int redraws = fixture.view->redraws;
    model.restore(AnatomyDB::SavedView {.id = 9, .name = "rotta", .payload = "{\"cameraTarget\":"});
    EXPECT_TRUE(log.fields.empty());
    EXPECT_EQ(fixture.view->redraws, redraws);
    EXPECT_EQ(model.currentViewState(), before);
    EXPECT_EQ(model.lastMessage(), std::nullopt);
}
