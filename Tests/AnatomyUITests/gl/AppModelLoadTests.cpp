#include "GLModel.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/OffscreenGLContext.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <set>

using namespace morvena;
using namespace morvena::test;
using Field = AppModel::Field;
using namespace std::chrono_literals;

namespace {

const TestDataset datasetA = boxDataset("a",
    {{"FMA1", AnatomySystem::skeletal}, {"FMA2", AnatomySystem::muscular},
        {"SHARED", AnatomySystem::skeletal}});
// The shared concept sits at another index; no muscles.
const TestDataset datasetB
    = boxDataset("b", {{"FMA9", AnatomySystem::skeletal}, {"SHARED", AnatomySystem::skeletal}});

// The number of distinct colours in a 64 × 64 rendering seen from the front, where one
// model unit is one pixel (the boxes' own layout): 1 is background only.
std::size_t colourCount(AppModel& model, OffscreenGLContext& context)
{
    context.makeCurrent();
    auto& renderer = *model.renderer();
    OrbitCamera camera;
    camera.sceneRadius = std::max(1.0f, model.pack()->radius());
    camera.distance = 32 / std::tan(camera.fovY / 2);
    renderer.setCamera(camera);
    auto image = renderer.renderImage(64, 64);
    std::set<std::uint32_t> colours;
    for (int y = 0; image && y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const auto* p = image->pixel(x, y);
            colours.insert(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16);
        }
    return colours.size();
}

// Restores the process-wide launch selection when the test ends.
struct LaunchSelection {
    explicit LaunchSelection(std::string conceptID) { AppModel::selectOnLaunch = std::move(conceptID); }
    ~LaunchSelection() { AppModel::selectOnLaunch.reset(); }
};

} // namespace

TEST(AppModelBootstrap, loadsTheLastDatasetWhenInstalledElseTheNewestImport)
{
    struct Case {
        std::string lastDatasetID;
        bool installed;
        std::optional<std::string> loaded;
    };
    const Case cases[] = {
        {"a", true, "a"},
        {"gone", true, "b"}, // no longer installed
        {"", true, "b"},
        {"a", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastDatasetID);
        GLModel fixture;
        if (c.installed) {
            fixture.install(datasetA, 48h);
            fixture.install(datasetB, 1h);
        }
        fixture.sandbox.preferences->setLastDatasetID(c.lastDatasetID);
        auto& model = fixture.create();
        model.bootstrap();
        if (!c.loaded) {
            EXPECT_TRUE(holds<AppModel::NoDataset>(model));
            EXPECT_EQ(model.renderer(), nullptr);
            continue;
        }
        ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
        EXPECT_EQ(model.manifest()->id, *c.loaded);
        EXPECT_EQ(fixture.sandbox.reread().lastDatasetID(), *c.loaded);
        EXPECT_EQ(model.installedDatasets().size(), 2u);
    }
}

TEST(AppModelLoading, aFailedLoadKeepsTheLoadedDatasetDrawing)
{
    GLModel fixture;
    fixture.install(datasetA);
    auto& model = fixture.create();
    model.load("a");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    const auto pack = model.pack();
    const auto db = model.db();
    const auto scene = model.scene();
    const auto renderer = model.renderer();

    model.load("missing");

    EXPECT_TRUE(holds<AppModel::Failed>(model));
    EXPECT_EQ(model.pack(), pack);
    EXPECT_EQ(model.db(), db);
    EXPECT_EQ(model.scene(), scene);
    EXPECT_EQ(model.renderer(), renderer);
    EXPECT_EQ(model.manifest()->id, "a");
    EXPECT_EQ(fixture.sandbox.reread().lastDatasetID(), "a");
    EXPECT_GT(colourCount(model, fixture.context), 1u);

    // A pack whose bounds are not numbers would open into an empty viewport.
    fixture.install(boxDataset("nan", {{"N1", AnatomySystem::skeletal}}));
    auto bytes = readFile(AppPaths::packURL("nan"));
    const float nan = NAN;
    std::memcpy(bytes.data() + 32, &nan, sizeof nan); // the header's lower bound
    writeFile(AppPaths::packURL("nan"), bytes);
    model.load("nan");
    EXPECT_EQ(failure(model),
        "Il dataset nan non è utilizzabile: i limiti del pack non sono numeri finiti (NaN o infinito). "
        "Per i dettagli: mrvtool verify --id nan");
    EXPECT_EQ(model.pack(), pack);
}

TEST(AppModelLoading, anotherDatasetStartsWithoutTheOldStructuresAndKeepsTheSettings)
{
    GLModel fixture;
    fixture.install(datasetA);
    fixture.install(datasetB);
    auto& model = fixture.create();
    model.load("a");
    FakeViewport view(model);
    model.viewportReady(view.handle);

    AnatomyViewState state;
    state.visibleSystems = {1, 2};
    state.systemOpacity = {{"1", 0.5f}};
    state.hiddenStructures = {"FMA1"};
    state.isolatedStructures = {"FMA2"};
    state.selected = {"FMA1", "FMA2"};
    state.clipEnabled = true;
    state.clipAxis = 1;
    state.clipOffset = 12;
    state.clipFlipped = true;
    state.explode = 0.4f;
    model.apply(state);
    model.setNoteDraft("appunto");
    ASSERT_EQ(model.selectedIndices().size(), 2u);
    ASSERT_TRUE(model.isolationActive());
    ASSERT_EQ(model.hiddenCount(), 1);

    ChangeLog log(model);
    const int redrawsBefore = view.redraws;
    model.load("b");

    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    EXPECT_TRUE(model.selectedIndices().empty());
    EXPECT_TRUE(model.selection().empty());
    EXPECT_EQ(model.noteDraft(), "");
    EXPECT_EQ(model.hiddenCount(), 0);
    EXPECT_FALSE(model.isolationActive());
    EXPECT_FALSE(model.clipEnabled());
    EXPECT_EQ(model.clipOffset(), 0);
    EXPECT_FALSE(model.clipFlipped());
    EXPECT_EQ(model.clipAxis(), ClipAxis::transverse);
    EXPECT_EQ(model.stats(), RenderStats {});
    // B has no muscles: the default systems change, so no preset is active any more.
    EXPECT_EQ(model.visibleSystems(), std::set {AnatomySystem::skeletal});
    EXPECT_EQ(model.activePreset(), std::nullopt);

    const auto& scene = *model.scene();
    EXPECT_EQ(scene.systemOpacity, model.systemOpacity());
    EXPECT_EQ(scene.explode, 0.4f);
    EXPECT_EQ(model.explode(), 0.4f);
    EXPECT_EQ(scene.clip, std::nullopt);
    EXPECT_TRUE(scene.selected.empty());
    EXPECT_EQ(scene.visibleSystems, model.visibleSystems());

    EXPECT_EQ(log.count(Field::renderer), 1);
    // The old view is let go: nothing is drawn through it any more.
    EXPECT_EQ(view.redraws, redrawsBefore);
    model.redraw();
    EXPECT_EQ(view.redraws, redrawsBefore);
}

TEST(AppModelLoading, aDatasetWithoutClassifiedStructuresShowsNoSystem)
{
    GLModel fixture;
    fixture.install(
        boxDataset("u", {{"U1", AnatomySystem::unclassified}, {"U2", AnatomySystem::unclassified}}));
    auto& model = fixture.create();
    model.load("u");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    EXPECT_TRUE(model.visibleSystems().empty());
    EXPECT_TRUE(model.scene()->visibleSystems.empty());
    EXPECT_EQ(
        model.systemCounts(), (std::map<AnatomySystem, std::int64_t> {{AnatomySystem::unclassified, 2}}));
}

// The last view is remembered once for all datasets: its camera and clip plane go
// back only into the dataset it was saved from, the rest into any dataset.
TEST(AppModelLoading, theLastViewPlacesTheCameraOnlyInItsOwnDataset)
{
    GLModel fixture;
    fixture.install(datasetA);
    fixture.install(datasetB);
    AnatomyViewState state;
    state.cameraTarget = {1, 2, 3};
    state.cameraDistance = 77;
    state.cameraYaw = 0.5f;
    state.cameraPitch = 0.25f;
    state.visibleSystems = {1, 7};
    state.systemOpacity = {{"1", 0.3f}};
    state.selected = {"SHARED"};
    state.clipEnabled = true;
    state.clipAxis = 2;
    state.clipOffset = 5;
    fixture.sandbox.preferences->setLastViewState(state);
    fixture.sandbox.preferences->setLastDatasetID("a");
    fixture.sandbox.preferences->setGhostOpacity(3); // damaged by hand: clamped
    auto& model = fixture.create();

    model.load("a");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    const auto camera = model.renderer()->camera();
    EXPECT_EQ(camera.target, (Float3 {1, 2, 3}));
    EXPECT_EQ(camera.distance, 77);
    EXPECT_EQ(camera.yaw, 0.5f);
    EXPECT_TRUE(model.cameraIsPlaced());
    EXPECT_TRUE(model.clipEnabled());
    EXPECT_EQ(model.scene()->clip, (ClipPlane {ClipAxis::frontal, 5, false}));
    EXPECT_EQ(model.selectedIndices(), std::vector {fixture.indexOf("SHARED")});
    EXPECT_EQ(model.scene()->ghostAlpha, 1.0f);

    model.load("b");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    EXPECT_NE(model.renderer()->camera().target, (Float3 {1, 2, 3}));
    EXPECT_FALSE(model.cameraIsPlaced());
    EXPECT_FALSE(model.clipEnabled());
    EXPECT_EQ(model.scene()->clip, std::nullopt);
    EXPECT_EQ(model.visibleSystems(), (std::set {AnatomySystem::skeletal, AnatomySystem::nervous}));
    EXPECT_EQ(model.scene()->visibleSystems, model.visibleSystems());
    EXPECT_EQ(model.systemOpacity(), (std::map<AnatomySystem, float> {{AnatomySystem::skeletal, 0.3f}}));
    EXPECT_EQ(model.scene()->systemOpacity, model.systemOpacity());
    EXPECT_EQ(model.selectedIndices(), std::vector {fixture.indexOf("SHARED")});
    ASSERT_EQ(model.selection().size(), 1u);
    EXPECT_EQ(model.selection()[0].conceptID, "SHARED");
}

TEST(AppModelLoading, theLaunchSelectionIsSelectedInEveryDatasetThatHasIt)
{
    GLModel fixture;
    fixture.install(datasetA);
    fixture.install(datasetB);
    fixture.install(boxDataset("c", {{"OTHER", AnatomySystem::skeletal}}));
    LaunchSelection launch("SHARED");
    auto& model = fixture.create();

    for (const auto* id : {"a", "b"}) {
        SCOPED_TRACE(id);
        model.load(id);
        ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
        EXPECT_EQ(model.selectedIndices(), std::vector {fixture.indexOf("SHARED")});
        EXPECT_EQ(model.scene()->selected.members().size(), 1u);
        EXPECT_TRUE(model.cameraIsPlaced());
    }
    model.load("c");
    EXPECT_TRUE(model.selectedIndices().empty());
    EXPECT_FALSE(model.cameraIsPlaced());
}

TEST(AppModelSearch, countsUserPerceivedCharactersAndSearchesAgainOnAnEqualText)
{
    GLModel fixture;
    const auto folder = fixture.sandbox.install(datasetA);
    auto& model = fixture.create();
    model.load("a");
    ChangeLog log(model);

    model.setSearchText(" e\u0301 "); // one character after trimming
    EXPECT_TRUE(model.searchResults().empty());
    model.setSearchText("box");
    EXPECT_EQ(model.searchResults().size(), 3u);

    AnatomyStructure added;
    added.conceptID = "NEW";
    added.nameEN = "box new";
    AnatomyDB(folder / "anatomy.sqlite").insert(std::span(&added, 1));
    log.clear();
    model.setSearchText("box");
    EXPECT_EQ(model.searchResults().size(), 4u);
    EXPECT_EQ(log.fields, std::vector {Field::searchResults});
}

TEST(AppModelStatistics, onlyTheCurrentRendererOfALivingModelReports)
{
    GLModel fixture;
    fixture.install(datasetA);
    fixture.install(datasetB);
    auto& model = fixture.create();
    model.load("a");
    const auto first = model.renderer();
    ChangeLog log(model);

    drawFrame(*first, fixture.context);
    EXPECT_EQ(log.count(Field::stats), 0); // posted, not yet delivered
    runPostedCalls();
    EXPECT_EQ(log.count(Field::stats), 1);
    EXPECT_GT(model.stats().drawCalls, 0);

    model.load("b");
    const auto second = model.renderer();
    log.clear();
    drawFrame(*first, fixture.context);
    runPostedCalls();
    EXPECT_EQ(log.count(Field::stats), 0);
    EXPECT_EQ(model.stats(), RenderStats {});

    drawFrame(*second, fixture.context);
    fixture.model.reset();
    drawFrame(*second, fixture.context);
    runPostedCalls(); // must reach no model
}
