#include "ViewedModel.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyRender/AnatomyScene.h"

#include <cmath>

using namespace morvena;
using namespace morvena::test;
using Field = AppModel::Field;
using enum PointerModifier;

namespace {

// Boxes 0, 1 and 2 of the layout.
const TestDataset threeBoxes = boxDataset(
    "tre", {{"A", AnatomySystem::skeletal}, {"B", AnatomySystem::skeletal}, {"C", AnatomySystem::muscular}});

std::vector<std::int64_t> sceneSelection(const AppModel& model)
{
    auto members = model.scene()->selected.members();
    return {members.begin(), members.end()};
}

std::filesystem::path databaseOf(const ViewedModel& fixture, const TestDataset& dataset)
{
    return dataset.folder(fixture.sandbox.dataHome) / "anatomy.sqlite";
}

} // namespace

TEST(AppModelClicks, theModifierDecidesWhatAClickDoesToTheSelection)
{
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::optional<int> box; // none: the background
        PointerModifier modifier;
        std::vector<std::string> after;
        int redraws;
    };
    const Case cases[] = {
        {"click replaces", {"A"}, 1, none, {"B"}, 1},
        {"shift adds", {"A"}, 1, additive, {"A", "B"}, 1},
        {"shift on a selected one keeps the list", {"A", "B"}, 0, additive, {"A", "B"}, 1},
        {"command removes", {"A", "B"}, 0, subtractive, {"B"}, 1},
        {"command on an unselected one", {"A"}, 2, subtractive, {"A"}, 1},
        {"background clears", {"A", "B"}, std::nullopt, none, {}, 1},
        {"background with shift", {"A"}, std::nullopt, additive, {"A"}, 0},
        {"background with command", {"A"}, std::nullopt, subtractive, {"A"}, 0},
    };
    ViewedModel fixture(threeBoxes);
    auto& model = *fixture.model;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model.clearSelection();
        for (const auto& conceptID : c.before)
            model.select(fixture.indexOf(conceptID), additive);
        ChangeLog log(model);
        const int redrawsBefore = fixture.view->redraws;

        model.handleSelect(c.box ? fixture.onBox(*c.box) : fixture.background(), c.modifier);

        EXPECT_EQ(fixture.selectedConcepts(), c.after);
        EXPECT_EQ(sceneSelection(model), model.selectedIndices());
        EXPECT_EQ(fixture.view->redraws - redrawsBefore, c.redraws);
        if (c.before == c.after) {
            EXPECT_EQ(log.count(Field::selectedIndices) + log.count(Field::selection), 0);
        }
    }
}

TEST(AppModelCards, twelveCardsAtMostAndEachCardStandsForTheStructureItWasBuiltFrom)
{
    std::vector<std::pair<std::string, AnatomySystem>> boxes;
    for (int i = 0; i < 15; ++i)
        boxes.emplace_back("S" + std::to_string(i), AnatomySystem::skeletal);
    auto dataset = boxDataset("quindici", boxes);
    auto packOnly = pixelBox("ONLY", 4, 50, 10, 60);
    packOnly.region = static_cast<BodyRegion>(42);
    auto& only = dataset.add("ONLY", "box only", static_cast<AnatomySystem>(77), packOnly);
    only.inDatabase = false;
    only.laterality = static_cast<Laterality>(9);
    ViewedModel fixture(dataset);
    auto& model = *fixture.model;
    // A row that names another structure's index, as a damaged database would.
    AnatomyStructure stale;
    stale.conceptID = "S1";
    stale.nameEN = "box S1";
    stale.meshIndex = fixture.indexOf("S0");
    AnatomyDB(databaseOf(fixture, dataset)).insert(std::span(&stale, 1));

    for (int i = 0; i < 15; ++i)
        model.select(fixture.indexOf("S" + std::to_string(i)), additive);
    EXPECT_EQ(model.selectedIndices().size(), 15u);
    EXPECT_EQ(model.selection().size(), 12u);

    model.handleSelect(fixture.onBox(1), none);
    ASSERT_EQ(fixture.selectedConcepts(), std::vector<std::string> {"S1"});
    EXPECT_EQ(model.primary()->meshIndex, fixture.indexOf("S1"));
    model.setStructureOpacity(0.5f, *model.primary()->meshIndex);
    EXPECT_EQ(model.structureOpacity(fixture.indexOf("S1")), 0.5f);
    EXPECT_EQ(model.structureOpacity(fixture.indexOf("S0")), 1.0f);

    model.setVisible(true, AnatomySystem::unclassified);
    model.handleSelect(fixture.at(7, 55), none);
    ASSERT_NE(model.primary(), nullptr);
    AnatomyStructure expected;
    expected.conceptID = "ONLY";
    expected.meshIndex = fixture.indexOf("ONLY");
    expected.nameEN = "box only";
    expected.system = AnatomySystem::unclassified;
    expected.region = BodyRegion::unknown;
    expected.laterality = Laterality::unpaired;
    expected.contentSource = FieldSource::dataset;
    EXPECT_EQ(*model.primary(), expected);
}

// A dataset from someone else's archive never went through our importers: its names
// reach the cards, the title and the lists as the importers would have kept them.
TEST(AppModelCards, namesReachTheWindowWithoutControlCharacters)
{
    struct Case {
        std::string conceptID, raw, shown;
        bool inDatabase;
    };
    const Case cases[] = {
        {"ESC", "Femore\x1b[31m rosso\x07", "Femore[31m rosso", true},
        {"RIGHE", "riga\r\nnuova\tcolonna\u0085fine", "riga  nuova colonna fine", true},
        {"C1", "a\u009b31m\x7f-b", "a31m-b", true},
        {"BIDI", "\u202eortsinis\u200f \u2066x\u2069", "ortsinis x", true},
        {"PACK\x1b", "solo\x1b[2J nel pack\u2067", "solo[2J nel pack", false},
    };
    TestDataset dataset("ostile", "Atlante\x1b]0;titolo\x07 condiviso");
    for (const auto& c : cases) {
        auto& added
            = dataset.add(c.conceptID, c.raw, AnatomySystem::skeletal, pixelBox(c.conceptID, 0, 0, 2, 2));
        added.nameIT = c.raw;
        added.inDatabase = c.inDatabase;
    }
    ViewedModel fixture(dataset);
    auto& model = *fixture.model;
    EXPECT_EQ(model.manifest()->displayName, "Atlante]0;titolo condiviso");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.conceptID);
        model.select(fixture.indexOf(c.conceptID), none);
        EXPECT_EQ(model.primary()->displayName(), c.shown);
        EXPECT_EQ(model.primary()->nameEN, c.shown);
        EXPECT_EQ(model.primary()->conceptID.find('\x1b'), std::string::npos);
    }
}

// The note is stored only when the user saves it; until then typed text belongs to
// its concept and no click loses it.
TEST(AppModelNotes, typedTextFollowsItsConceptUntilItIsSaved)
{
    const auto other = boxDataset("altro", {{"A", AnatomySystem::skeletal}});
    ViewedModel fixture(threeBoxes);
    fixture.install(other);
    auto& model = *fixture.model;
    AnatomyDB elsewhere(databaseOf(fixture, threeBoxes));
    auto select
        = [&](int box, PointerModifier modifier = none) { model.handleSelect(fixture.onBox(box), modifier); };

    select(0);
    model.setNoteDraft("appunto su A");
    select(1, additive);
    select(1, subtractive);
    EXPECT_EQ(model.noteDraft(), "appunto su A");
    select(1);
    EXPECT_EQ(model.noteDraft(), "");
    model.setNoteDraft("appunto su B");
    model.handleSelect(fixture.background(), none);
    EXPECT_TRUE(model.selection().empty());
    EXPECT_EQ(model.noteDraft(), "appunto su B");
    select(1);
    EXPECT_EQ(model.noteDraft(), "appunto su B");
    select(0);
    EXPECT_EQ(model.noteDraft(), "appunto su A");
    EXPECT_EQ(elsewhere.note("A"), std::nullopt);
    EXPECT_EQ(elsewhere.note("B"), std::nullopt);

    model.db()->setNote(model.noteDraft(), "A"); // what saving does
    select(1);
    EXPECT_EQ(model.noteDraft(), "appunto su B");
    elsewhere.setNote("scritto altrove", "A");
    select(0);
    EXPECT_EQ(model.noteDraft(), "scritto altrove");

    model.load("altro");
    model.load("tre");
    model.selectConcept("B", true);
    EXPECT_EQ(model.noteDraft(), "");
}

TEST(AppModelSelectConcept, revealsTheConceptsStructuresAndIgnoresIndicesOutsideThePack)
{
    auto dataset = boxDataset("concetti",
        {{"A", AnatomySystem::skeletal}, {"B", AnatomySystem::skeletal}, {"N", AnatomySystem::nervous}});
    dataset.addGroup("AB", "gruppo", {"A", "B"});
    dataset.addGroup("FUORI", "fuori dal pacchetto", {});
    ViewedModel fixture(dataset);
    auto& model = *fixture.model;
    const auto a = fixture.indexOf("A");
    const auto b = fixture.indexOf("B");
    const auto n = fixture.indexOf("N");
    AnatomyDB db(databaseOf(fixture, dataset));
    const AnatomyDB::ConceptMesh beyond[] = {{"AB", 999}, {"FUORI", 3}, {"FUORI", -1}};
    db.insertConceptMeshes(beyond);
    AnatomyStructure row {.conceptID = "RIGA", .meshIndex = 7, .nameEN = "riga"};
    db.insert(std::span(&row, 1));

    model.select(n, none);
    model.hideSelection();
    model.select(a, none);
    model.hideSelection();
    model.setVisible(false, AnatomySystem::nervous);
    ASSERT_EQ(model.hiddenCount(), 2);

    model.selectConcept("N", true);
    EXPECT_EQ(model.selectedIndices(), std::vector {n});
    EXPECT_TRUE(model.visibleSystems().contains(AnatomySystem::nervous));
    EXPECT_EQ(model.scene()->visibleSystems, model.visibleSystems());
    EXPECT_FALSE(model.scene()->hidden.contains(n));
    EXPECT_EQ(model.hiddenCount(), 1);

    model.select(b, none);
    model.selectConcept("AB", false);
    EXPECT_EQ(model.selectedIndices(), (std::vector {b, a}));
    EXPECT_EQ(sceneSelection(model), model.selectedIndices());
    EXPECT_EQ(model.hiddenCount(), 0);

    ChangeLog log(model);
    model.selectConcept("FUORI", true);
    model.selectConcept("RIGA", true);
    model.selectConcept("NESSUNO", true);
    EXPECT_TRUE(log.fields.empty());
}

TEST(AppModelMeasuring, clicksPlacePointsOnTheSurfaceInPairs)
{
    ViewedModel fixture(threeBoxes, 2);
    auto& model = *fixture.model;
    model.setMeasureMode(true);
    auto surfaceAt = [](float column, float row) { return Float3 {column + 0.5f - 32, 32 - row - 0.5f, 0}; };
    auto near = [](Float3 a, Float3 b) { return length(a - b) < 0.05f; };

    model.handleSelect(fixture.onBox(0), none);
    model.handleSelect(fixture.onBox(1), none);
    ASSERT_EQ(model.measurePoints().size(), 2u);
    EXPECT_PRED2(near, model.measurePoints()[0], surfaceAt(7, 30));
    EXPECT_PRED2(near, model.measurePoints()[1], surfaceAt(17, 30));
    EXPECT_TRUE(model.selectedIndices().empty());

    model.handleSelect(fixture.onBox(2), none);
    ASSERT_EQ(model.measurePoints().size(), 1u);
    EXPECT_PRED2(near, model.measurePoints()[0], surfaceAt(27, 30));

    // Three rows below box 0: the pick's tolerance finds it, the ray passes it by.
    model.handleSelect(fixture.at(7, 43), none);
    EXPECT_EQ(model.measurePoints().size(), 1u);
    EXPECT_EQ(fixture.selectedConcepts(), std::vector<std::string> {"A"});
}

TEST(AppModelHover, labelsTheStructureUnderThePointerInViewPoints)
{
    ViewedModel fixture(threeBoxes, 2);
    auto& model = *fixture.model;
    ChangeLog log(model);

    model.handleHover(fixture.onBox(1));
    EXPECT_EQ(model.hoveredLabel(), "box B");
    EXPECT_EQ(model.hoveredPoint(), (AppModel::Point {17.5, 30.5}));

    model.handleHover(fixture.background());
    EXPECT_EQ(model.hoveredLabel(), std::nullopt);
    EXPECT_EQ(model.hoveredPoint(), std::nullopt);
    log.clear();
    model.handleHover(fixture.background());
    model.handleHover(std::nullopt);
    EXPECT_TRUE(log.fields.empty());

    model.handleHover(fixture.onBox(0));
    model.setShowLabels(false);
    model.handleHover(fixture.onBox(0));
    EXPECT_EQ(model.hoveredLabel(), std::nullopt);
    EXPECT_EQ(model.hoveredPoint(), std::nullopt);
}

TEST(AppModelDoubleClick, selectsTheStructureAloneAndFramesIt)
{
    ViewedModel fixture(threeBoxes);
    auto& model = *fixture.model;
    model.select(fixture.indexOf("A"), none);
    model.handleDoubleClick(fixture.background());
    EXPECT_EQ(fixture.selectedConcepts(), std::vector<std::string> {"A"});
    EXPECT_FALSE(model.renderer()->isAnimating());

    model.setMeasureMode(true);
    model.handleDoubleClick(fixture.onBox(2));
    EXPECT_EQ(fixture.selectedConcepts(), std::vector<std::string> {"C"});
    EXPECT_TRUE(model.measurePoints().empty());
    const auto framed = fixture.finishCameraMove();
    const std::int64_t c = fixture.indexOf("C");
    model.renderer()->frameStructures(std::span(&c, 1), 1.0f, false);
    EXPECT_EQ(framed, model.renderer()->camera());
}

TEST(AppModelViewportReady, framesTheRestoredSelectionOrTheWholeBodyWithTheViewsAspect)
{
    struct Case {
        const char* name;
        bool lastViewHere; // the remembered view was saved in this dataset
        std::vector<std::string> selected;
        float2 bounds;
        enum { whole, selection, kept } framing;
        float aspect;
    };
    const Case cases[] = {
        {"no placed camera", false, {"B"}, {80, 40}, Case::whole, 2.0f},
        {"placed camera and a selection", true, {"B"}, {80, 40}, Case::selection, 2.0f},
        {"placed camera, nothing selected", true, {}, {80, 40}, Case::kept, 0},
        {"a view one point high", false, {}, {80, 1}, Case::whole, 1.4f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GLModel fixture;
        fixture.install(threeBoxes);
        AnatomyViewState state;
        state.cameraTarget = {1, 2, 3};
        state.cameraDistance = 90;
        state.selected = c.selected;
        fixture.sandbox.preferences->setLastViewState(state);
        fixture.sandbox.preferences->setLastDatasetID(c.lastViewHere ? "tre" : "altro");
        auto& model = fixture.create();
        model.load("tre");
        auto& renderer = *model.renderer();
        double seconds = 0;
        renderer.setClock([&seconds] { return seconds; });
        const auto restored = renderer.camera();
        FakeViewport view(model, c.bounds);

        model.viewportReady(view.handle);
        EXPECT_EQ(view.redraws, 1);
        EXPECT_EQ(renderer.isDarkBackground(), model.darkBackground());
        seconds = 1;
        drawFrame(renderer, fixture.context);
        const auto framed = renderer.camera();
        if (c.framing == Case::kept) {
            EXPECT_EQ(framed, restored);
            continue;
        }
        if (c.framing == Case::whole)
            renderer.frameAll(c.aspect, false);
        else
            renderer.frameStructures(model.selectedIndices(), c.aspect, false);
        EXPECT_EQ(framed, renderer.camera());
    }
}

TEST(AppModelViewportReady, aViewOfAnEarlierRendererIsNotTheModelsViewport)
{
    ViewedModel fixture(threeBoxes);
    auto& model = *fixture.model;
    fixture.install(boxDataset("altro", {{"A", AnatomySystem::skeletal}}));
    FakeViewport late(model);
    FakeViewport unnamed;
    model.load("altro");

    model.viewportReady(late.handle);
    model.viewportReady(unnamed.handle);
    model.redraw();
    EXPECT_EQ(late.redraws + unnamed.redraws, 0);
    EXPECT_FALSE(model.renderer()->isAnimating());
}
