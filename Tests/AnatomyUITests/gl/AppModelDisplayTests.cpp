#include "ViewedModel.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyRender/AnatomyScene.h"

#include <functional>

using namespace morvena;
using namespace morvena::test;
using enum AnatomySystem;

namespace {

const TestDataset fourBoxes
    = boxDataset("quattro", {{"A", skeletal}, {"B", skeletal}, {"C", muscular}, {"N", nervous}});

// One display operation: what it is given to start from, what it is, what it leaves in
// the model, the scene or renderer and the stored settings, and how many frames it asks for.
struct Row {
    const char* operation;
    std::function<void(ViewedModel&)> prepare;
    std::function<void(AppModel&)> run;
    std::function<void(ViewedModel&, const Preferences& stored)> check;
    int redraws = 1;
};

void selectBoxes(ViewedModel& fixture, std::initializer_list<const char*> concepts)
{
    fixture.model->clearSelection();
    for (const auto* conceptID : concepts)
        fixture.model->select(fixture.indexOf(conceptID), PointerModifier::additive);
}

std::optional<float> ownOpacity(ViewedModel& fixture, std::int64_t index)
{
    const auto* value = fixture.model->scene()->structureOpacity.find(index);
    return value ? std::optional(*value) : std::nullopt;
}

std::vector<Row> rows()
{
    auto nothing = [](ViewedModel&) {};
    using Stored = const Preferences&;
    return {
        {"setOpacity keeps the preset", nothing, [](AppModel& m) { m.setOpacity(0.3f, skeletal); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->systemOpacity().at(skeletal), 0.3f);
                EXPECT_EQ(f.model->scene()->systemOpacity, f.model->systemOpacity());
                EXPECT_EQ(f.model->activePreset(), SystemPreset::muscolare);
            }},
        {"setVisible ends the preset", nothing, [](AppModel& m) { m.setVisible(true, nervous); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->visibleSystems(), (std::set {skeletal, muscular, nervous}));
                EXPECT_EQ(f.model->scene()->visibleSystems, f.model->visibleSystems());
                EXPECT_EQ(f.model->activePreset(), std::nullopt);
            }},
        {"setOnly", [](ViewedModel& f) { f.model->apply(SystemPreset::completo); },
            [](AppModel& m) { m.setOnly(muscular); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->scene()->visibleSystems, std::set {muscular});
                EXPECT_EQ(f.model->activePreset(), std::nullopt);
            }},
        {"showAllSystems: those with structures",
            [](ViewedModel& f) { f.model->apply(SystemPreset::completo); },
            [](AppModel& m) { m.showAllSystems(); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->scene()->visibleSystems, (std::set {skeletal, muscular, nervous}));
                EXPECT_EQ(f.model->visibleSystems(), f.model->scene()->visibleSystems);
                EXPECT_EQ(f.model->activePreset(), std::nullopt);
            }},
        {"setLayerDepthMin", nothing, [](AppModel& m) { m.setLayerDepthMin(2); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->layerDepthMin(), 2);
                EXPECT_EQ(f.model->scene()->layerDepthMin, 2);
            }},
        {"setGhostOthers", nothing, [](AppModel& m) { m.setGhostOthers(false); },
            [](ViewedModel& f, Stored stored) {
                EXPECT_FALSE(f.model->ghostOthers());
                EXPECT_FALSE(f.model->scene()->ghostOthers);
                EXPECT_FALSE(stored.ghostOthersOnSelect());
            }},
        {"setExplode", nothing, [](AppModel& m) { m.setExplode(0.5f); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->explode(), 0.5f);
                EXPECT_EQ(f.model->scene()->explode, 0.5f);
            }},
        {"setLODBias", nothing, [](AppModel& m) { m.setLODBias(1.5f); },
            [](ViewedModel& f, Stored stored) {
                EXPECT_EQ(f.model->lodBias(), 1.5f);
                EXPECT_EQ(f.model->scene()->lodBias, 1.5f);
                EXPECT_EQ(stored.lodBias(), 1.5f);
            }},
        {"setQuality", nothing, [](AppModel& m) { m.setQuality(RenderQuality::alta); },
            [](ViewedModel& f, Stored stored) {
                EXPECT_EQ(f.model->quality(), RenderQuality::alta);
                EXPECT_EQ(f.model->renderer()->quality(), RenderQuality::alta);
                EXPECT_EQ(stored.renderQuality(), 1);
                const auto framesBefore = f.model->renderer()->framesRendered();
                drawFrame(*f.model->renderer(), f.context);
                EXPECT_EQ(f.model->renderer()->framesRendered(), framesBefore + 1);
            }},
        {"setBackgroundPalette turns the dark background off", nothing,
            [](AppModel& m) { m.setBackgroundPalette(BackgroundPalette::avorio); },
            [](ViewedModel& f, Stored stored) {
                EXPECT_FALSE(f.model->darkBackground());
                EXPECT_EQ(f.model->renderer()->backgroundPalette(), BackgroundPalette::avorio);
                EXPECT_FALSE(f.model->renderer()->isDarkBackground());
                EXPECT_EQ(stored.backgroundPalette(), 1);
                EXPECT_FALSE(stored.darkBackground());
            }},
        {"setBackgroundPalette on a light background",
            [](ViewedModel& f) { f.sandbox.preferences->setDarkBackground(true); },
            [](AppModel& m) { m.setBackgroundPalette(BackgroundPalette::clinico); },
            [](ViewedModel& f, Stored stored) {
                EXPECT_EQ(f.model->backgroundPalette(), BackgroundPalette::clinico);
                EXPECT_EQ(stored.backgroundPalette(), 2);
                EXPECT_TRUE(stored.darkBackground()); // not written
            }},
        {"setClip without enabling", nothing,
            [](AppModel& m) { m.setClip(std::nullopt, ClipAxis::frontal, 5.0f, true); },
            [](ViewedModel& f, Stored) {
                EXPECT_FALSE(f.model->clipEnabled());
                EXPECT_EQ(f.model->scene()->clip, std::nullopt);
            }},
        {"setClip enabled only: the plane held", nothing, [](AppModel& m) { m.setClip(true); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->scene()->clip, (ClipPlane {ClipAxis::frontal, 5, true}));
            }},
        {"setClip disabled keeps the plane", nothing, [](AppModel& m) { m.setClip(false); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->scene()->clip, std::nullopt);
                EXPECT_EQ(f.model->clipAxis(), ClipAxis::frontal);
                EXPECT_EQ(f.model->clipOffset(), 5.0f);
                EXPECT_TRUE(f.model->clipFlipped());
            }},
        {"setStructureOpacity clamps above 1", nothing, [](AppModel& m) { m.setStructureOpacity(1.7f, 0); },
            [](ViewedModel& f, Stored) { EXPECT_EQ(ownOpacity(f, 0), 1.0f); }},
        {"setStructureOpacity clamps below 0", nothing, [](AppModel& m) { m.setStructureOpacity(-0.2f, 1); },
            [](ViewedModel& f, Stored) { EXPECT_EQ(ownOpacity(f, 1), 0.0f); }},
        {"setStructureOpacity near 1 removes", [](ViewedModel& f) { f.model->setStructureOpacity(0.5f, 2); },
            [](AppModel& m) { m.setStructureOpacity(0.9995f, 2); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(ownOpacity(f, 2), std::nullopt);
                EXPECT_EQ(f.model->structureOpacity(2), f.model->scene()->opacity(2));
            }},
        {"isolateSelection replaces the isolated set",
            [](ViewedModel& f) {
                selectBoxes(f, {"A"});
                f.model->isolateSelection();
                selectBoxes(f, {"B", "C"});
            },
            [](AppModel& m) { m.isolateSelection(); },
            [](ViewedModel& f, Stored) {
                EXPECT_TRUE(f.model->isolationActive());
                EXPECT_EQ(f.model->scene()->isolated.size(), 2u);
                EXPECT_FALSE(f.model->scene()->isolated.contains(f.indexOf("A")));
            }},
        {"clearIsolation", nothing, [](AppModel& m) { m.clearIsolation(); },
            [](ViewedModel& f, Stored) {
                EXPECT_FALSE(f.model->isolationActive());
                EXPECT_TRUE(f.model->scene()->isolated.empty());
            }},
        {"hideSelection without a selection", [](ViewedModel& f) { f.model->clearSelection(); },
            [](AppModel& m) { m.hideSelection(); },
            [](ViewedModel& f, Stored) { EXPECT_EQ(f.model->hiddenCount(), 0); }, 0},
        {"hideSelection",
            [](ViewedModel& f) {
                selectBoxes(f, {"A", "N"});
            },
            [](AppModel& m) { m.hideSelection(); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->hiddenCount(), 2);
                EXPECT_EQ(f.model->scene()->hidden.size(), 2u);
                EXPECT_TRUE(f.model->selectedIndices().empty());
                EXPECT_TRUE(f.model->scene()->selected.empty());
            }},
        {"showHidden", nothing, [](AppModel& m) { m.showHidden(); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->hiddenCount(), 0);
                EXPECT_TRUE(f.model->scene()->hidden.empty());
            }},
        {"apply(preset)", nothing, [](AppModel& m) { m.apply(CameraPreset::left); },
            [](ViewedModel& f, Stored) {
                EXPECT_EQ(f.model->orientationLabel(), "Anteriore");
                f.finishCameraMove();
                EXPECT_EQ(f.model->orientationLabel(), "Laterale sinistra");
            }},
    };
}

} // namespace

TEST(AppModelDisplay, eachOperationKeepsModelSceneAndSettingsInStep)
{
    ViewedModel fixture(fourBoxes);
    for (const auto& row : rows()) {
        SCOPED_TRACE(row.operation);
        row.prepare(fixture);
        const int redrawsBefore = fixture.view->redraws;
        row.run(*fixture.model);
        EXPECT_EQ(fixture.view->redraws - redrawsBefore, row.redraws);
        row.check(fixture, fixture.sandbox.reread());
    }
}

TEST(AppModelDisplay, resetAllClearsTheDrawingButKeepsTheChosenSettings)
{
    ViewedModel fixture(fourBoxes);
    auto& model = *fixture.model;
    model.setMeasureMode(true);
    model.handleSelect(fixture.onBox(0), PointerModifier::none);
    ASSERT_EQ(model.measurePoints().size(), 1u);
    model.setVisible(true, nervous);
    model.setOpacity(0.2f, muscular);
    model.setClip(true, ClipAxis::transverse, 3.0f, true);
    model.setExplode(0.7f);
    model.setLayerDepthMin(1);
    model.setQuality(RenderQuality::prestazioni);
    model.setLODBias(2);
    model.setStructureOpacity(0.4f, 0);
    selectBoxes(fixture, {"B"});
    model.hideSelection();
    selectBoxes(fixture, {"A"});
    model.isolateSelection();

    model.resetAll();

    const auto& scene = *model.scene();
    EXPECT_EQ(model.visibleSystems(), (std::set {skeletal, muscular}));
    EXPECT_EQ(scene.visibleSystems, model.visibleSystems());
    EXPECT_TRUE(model.systemOpacity().empty() && scene.systemOpacity.empty());
    EXPECT_FALSE(model.clipEnabled() || scene.clip || model.clipFlipped());
    EXPECT_EQ(model.clipOffset(), 0.0f);
    EXPECT_EQ(model.explode() + scene.explode, 0.0f);
    EXPECT_EQ(model.layerDepthMin() + scene.layerDepthMin, 0);
    EXPECT_FALSE(model.isolationActive());
    EXPECT_EQ(model.hiddenCount(), 0);
    EXPECT_TRUE(scene.hidden.empty() && scene.isolated.empty() && scene.selected.empty());
    EXPECT_EQ(scene.structureOpacity.find(0), nullptr);
    EXPECT_EQ(scene.ghostOthers, model.ghostOthers());
    EXPECT_TRUE(model.selectedIndices().empty());
    EXPECT_TRUE(model.measurePoints().empty());
    EXPECT_EQ(model.clipAxis(), ClipAxis::transverse);
    EXPECT_EQ(model.quality(), RenderQuality::prestazioni);
    EXPECT_EQ(model.lodBias(), 2.0f);
    EXPECT_TRUE(model.measureMode());

    auto& renderer = *model.renderer();
    ASSERT_TRUE(renderer.isAnimating());
    const auto framed = fixture.finishCameraMove();
    renderer.frameAll(1.0f, false);
    EXPECT_EQ(framed, renderer.camera());
    EXPECT_EQ(framed.target, model.pack()->center());
}

TEST(AppModelKeys, keysActOnTheLoadedBody)
{
    ViewedModel fixture(fourBoxes);
    auto& model = *fixture.model;
    const int redrawsBefore = fixture.view->redraws;
    EXPECT_TRUE(model.handleKey("i", {}));
    EXPECT_FALSE(model.isolationActive());
    EXPECT_EQ(fixture.view->redraws, redrawsBefore);

    selectBoxes(fixture, {"A"});
    EXPECT_TRUE(model.handleKey("i", KeyModifiers::shift));
    EXPECT_TRUE(model.isolationActive());

    EXPECT_TRUE(model.handleKey("m", {}));
    model.handleSelect(fixture.onBox(0), PointerModifier::none);
    ASSERT_EQ(model.measurePoints().size(), 1u);
    EXPECT_TRUE(model.handleKey("m", KeyModifiers::command));
    EXPECT_FALSE(model.measureMode());
    EXPECT_TRUE(model.measurePoints().empty());

    EXPECT_TRUE(model.handleKey("\x1b", {}));
    EXPECT_TRUE(model.selectedIndices().empty());
}
