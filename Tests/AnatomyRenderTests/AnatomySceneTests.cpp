#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/Internal/SurfaceMaterial.h"
#include "TestPacks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

using namespace morvena;
using morvena::test::makeCubePack;
using morvena::test::TemporaryFolder;
using morvena::test::TestCube;

namespace {

using Systems = std::set<AnatomySystem>;
using Range = AnatomyScene::DrawRange;
using Indices = std::vector<std::int64_t>;

const Systems skeletalAndMuscular {AnatomySystem::skeletal, AnatomySystem::muscular};

class SceneTest : public ::testing::Test {
protected:
    AnatomyScene& makeScene(const std::vector<TestCube>& cubes, Systems systems = skeletalAndMuscular)
    {
        pack = makeCubePack(folder, cubes);
        scene = std::make_unique<AnatomyScene>(pack, std::move(systems));
        props.assign(cubes.size(), StructureProps {});
        return *scene;
    }

    AnatomyScene::DrawPlan frame(const OrbitCamera& camera = {}, float2 size = {1000, 1000})
    {
        return scene->buildFrame(camera, size, props);
    }

    TemporaryFolder folder;
    std::shared_ptr<MeshPack> pack;
    std::unique_ptr<AnatomyScene> scene;
    std::vector<StructureProps> props;
};

// Three small cubes in a row along x, each of 12 triangles, one system per cube.
std::vector<TestCube> rowOfCubes(std::vector<AnatomySystem> systems)
{
    std::vector<TestCube> cubes;
    float x = -100;
    for (AnatomySystem system : systems) {
        cubes.push_back({system, {x, 0, 0}, 5});
        x += 100;
    }
    return cubes;
}

} // namespace

TEST_F(SceneTest, readsTheRecordsAndGivesNeutralValuesOutsideThePack)
{
    auto& s = makeScene({{AnatomySystem::nervous, {10, 20, 30}, 2}, {AnatomySystem::skeletal, {0, 0, 0}, 1}});
    EXPECT_EQ(s.structureCount(), 2);
    EXPECT_EQ(s.system(0), AnatomySystem::nervous);
    EXPECT_EQ(s.center(0), (Float3 {10, 20, 30}));
    EXPECT_NEAR(s.radius(0), 2 * std::sqrt(3.f), 1e-5);
    EXPECT_EQ(s.system(-1), AnatomySystem::unclassified);
    EXPECT_EQ(s.system(2), AnatomySystem::unclassified);
    EXPECT_EQ(s.center(2), (Float3 {}));
    EXPECT_EQ(s.radius(-1), 0.f);
    s.explode = 1;
    EXPECT_EQ(s.explodeOffset(5), (Float3 {}));
    EXPECT_FALSE(s.isVisible(2));
    EXPECT_EQ(s.opacity(-1), 0.f);
}

TEST_F(SceneTest, explodeDirectionsPointAwayFromTheBodyAxis)
{
    // Body box from (−100, −100, −100) to (100, 100, 100): centre 0, radius 100·√3.
    auto& s = makeScene({{AnatomySystem::skeletal, {-95, -95, -95}, 5},
        {AnatomySystem::skeletal, {95, 95, 95}, 5}, {AnatomySystem::skeletal, {0, 50, 0}, 1},
        {AnatomySystem::skeletal, {60, 0, 0}, 1}, {AnatomySystem::skeletal, {0, 0, 0}, 100}});
    float bodyRadius = 100 * std::sqrt(3.f);
    float small = 1 - 0.75f * std::sqrt(3.f) / bodyRadius;
    s.explode = 1;
    // On the vertical axis: along +z, tilted upwards by the height offset.
    Float3 axial = s.explodeOffset(2);
    EXPECT_EQ(axial.x, 0.f);
    EXPECT_GT(axial.z, 0.f);
    EXPECT_NEAR(axial.y / axial.z, 0.25f * 50 / bodyRadius, 1e-5);
    EXPECT_NEAR(length(axial), bodyRadius * 0.7f * small, 1e-3);
    // Outwards in the horizontal plane.
    Float3 side = s.explodeOffset(3);
    EXPECT_NEAR(side.x, bodyRadius * 0.7f * small, 1e-3);
    EXPECT_EQ(side.y, 0.f);
    EXPECT_EQ(side.z, 0.f);
    // A structure as large as the body travels a quarter as far as a point.
    EXPECT_NEAR(length(s.explodeOffset(4)), bodyRadius * 0.7f * 0.25f, 1e-3);
    EXPECT_GT(s.explodeOffset(4).z, 0.f);
    // The factor scales the offset.
    s.explode = 0.5f;
    EXPECT_NEAR(length(s.explodeOffset(2)), 0.5f * bodyRadius * 0.7f * small, 1e-3);
}

TEST_F(SceneTest, visibilityFollowsIsolationHiddenAlwaysVisibleSystemAndLayer)
{
    auto& s = makeScene(rowOfCubes({AnatomySystem::skeletal, AnatomySystem::muscular, AnatomySystem::nervous,
        AnatomySystem::skeletal, AnatomySystem::integument, AnatomySystem::skeletal, AnatomySystem::skeletal,
        AnatomySystem::muscular}));
    EXPECT_TRUE(s.isVisible(0));
    EXPECT_FALSE(s.isVisible(2)); // nervous is off

    // Hidden beats always-visible.
    s.hidden.insert(0);
    s.alwaysVisible.insert(0);
    EXPECT_FALSE(s.isVisible(0));
    // Always-visible beats the system switch and the peeled layers.
    s.alwaysVisible.insert(2);
    EXPECT_TRUE(s.isVisible(2));
    s.layerDepthMin = 6;
    EXPECT_TRUE(s.isVisible(2));
    for (std::int64_t i : {1, 3, 4, 5, 6, 7})
        EXPECT_FALSE(s.isVisible(i)) << i;

    // Layers: muscles (depth 1) peel at 2, the skeleton (depth 5) stays.
    s.layerDepthMin = 2;
    EXPECT_FALSE(s.isVisible(1));
    EXPECT_TRUE(s.isVisible(3));

    // Isolation: only isolated and selected structures, whatever the rest says.
    s.isolate(Indices {5});
    s.selected.insert(7);
    s.selected.insert(0);
    s.hidden.insert(5);
    s.visibleSystems.clear();
    s.layerDepthMin = 9;
    for (std::int64_t i = 0; i < 8; ++i)
        EXPECT_EQ(s.isVisible(i), i == 5 || i == 7 || i == 0) << i;
    s.clearIsolation();
    EXPECT_FALSE(s.isVisible(5));
    s.isolate(Indices {});
    EXPECT_TRUE(s.isolated.empty());
}

TEST_F(SceneTest, opacityChainAndOverrides)
{
    auto& s
        = makeScene(rowOfCubes({AnatomySystem::skeletal, AnatomySystem::nervous, AnatomySystem::skeletal}));
    EXPECT_EQ(s.opacity(0), 1.f);
    s.systemOpacity[AnatomySystem::skeletal] = 0.4f;
    s.systemOpacity[AnatomySystem::nervous] = 0.3f;
    EXPECT_EQ(s.opacity(0), 0.4f);
    // Always visible with its system off: fully opaque despite the system's opacity.
    s.alwaysVisible.insert(1);
    EXPECT_EQ(s.opacity(1), 1.f);
    s.toggleVisible(AnatomySystem::nervous);
    EXPECT_TRUE(s.visibleSystems.contains(AnatomySystem::nervous));
    EXPECT_EQ(s.opacity(1), 0.3f);
    s.toggleVisible(AnatomySystem::nervous);
    EXPECT_FALSE(s.visibleSystems.contains(AnatomySystem::nervous));
    // A structure's own override wins over everything.
    s.setOpacity(0.7f, 1);
    EXPECT_EQ(s.opacity(1), 0.7f);

    s.setOpacity(1.7f, 2);
    EXPECT_EQ(*s.structureOpacity.find(2), 1.f);
    s.setOpacity(-0.5f, 2);
    EXPECT_EQ(*s.structureOpacity.find(2), 0.f);
    EXPECT_EQ(s.opacity(2), 0.f);
    s.setOpacity(0.9995f, 2);
    EXPECT_FALSE(s.structureOpacity.find(2));
    EXPECT_EQ(s.opacity(2), 0.4f);
    s.setOpacity(std::numeric_limits<float>::quiet_NaN(), 1); // ignored, not stored as NaN
    EXPECT_EQ(s.opacity(1), 0.7f);
    s.setOpacity(0.5f, 99); // stored under whatever index it is given
    EXPECT_TRUE(s.structureOpacity.find(99));
}

TEST_F(SceneTest, resetKeepsTheSelectionAndTheRenderingSettings)
{
    auto& s = makeScene(rowOfCubes({AnatomySystem::skeletal, AnatomySystem::muscular}));
    s.selected.insert(1);
    s.alwaysVisible.insert(0);
    s.hidden.insert(0);
    s.isolate(Indices {1});
    s.setOpacity(0.5f, 0);
    s.systemOpacity[AnatomySystem::skeletal] = 0.2f;
    s.colorOverrides.set(0, {1, 0, 0});
    s.explode = 2;
    s.clip = ClipPlane {};
    s.layerDepthMin = 3;
    s.ghostOthers = true;
    s.ghostAlpha = 0.3f;
    s.lodBias = 2;
    s.frustumCulling = false;

    s.reset({AnatomySystem::nervous});
    EXPECT_EQ(s.visibleSystems, Systems {AnatomySystem::nervous});
    EXPECT_TRUE(s.hidden.empty() && s.isolated.empty() && s.structureOpacity.empty());
    EXPECT_TRUE(s.systemOpacity.empty() && s.colorOverrides.empty());
    EXPECT_EQ(s.explode, 0.f);
    EXPECT_FALSE(s.clip);
    EXPECT_EQ(s.layerDepthMin, 0);
    EXPECT_FALSE(s.ghostOthers);
    EXPECT_TRUE(s.selected.contains(1));
    EXPECT_TRUE(s.alwaysVisible.contains(0));
    EXPECT_EQ(s.ghostAlpha, 0.3f);
    EXPECT_EQ(s.lodBias, 2.f);
    EXPECT_FALSE(s.frustumCulling);

    frame();
    EXPECT_EQ(props[1].explodeFlags.w, StructureProps::selectedFlag);
}

TEST_F(SceneTest, visibleStructureCountUsesTheDrawThreshold)
{
    auto& s
        = makeScene(rowOfCubes({AnatomySystem::skeletal, AnatomySystem::skeletal, AnatomySystem::nervous}));
    EXPECT_EQ(s.visibleStructureCount(), 2);
    s.setOpacity(0.002f, 0);
    EXPECT_EQ(s.visibleStructureCount(), 1);
    s.setOpacity(0.0021f, 0);
    EXPECT_EQ(s.visibleStructureCount(), 2);
}

TEST_F(SceneTest, alphaThresholdsDecideBetweenHiddenTransparentAndOpaque)
{
    auto& s
        = makeScene(rowOfCubes({AnatomySystem::skeletal, AnatomySystem::skeletal, AnatomySystem::muscular}));
    s.setOpacity(0.002f, 0);
    s.setOpacity(0.0021f, 1);
    s.systemOpacity[AnatomySystem::muscular] = 0.999f;
    auto plan = frame();
    EXPECT_EQ(plan.visibleStructures, 2);
    EXPECT_EQ(plan.triangles, 24);
    ASSERT_EQ(plan.transparent.size(), 1u);
    EXPECT_EQ(plan.transparent[0].indexStart, 36);
    ASSERT_EQ(plan.opaque.size(), 1u);
    EXPECT_EQ(plan.opaque[0], (Range {72, 36, 0}));
    EXPECT_EQ(props[0].colorAlpha.w, 0.002f);
    EXPECT_EQ(props[1].colorAlpha.w, 0.0021f);
    EXPECT_EQ(props[2].colorAlpha.w, 0.999f);
}

TEST_F(SceneTest, contiguousOpaqueRangesMergeAndAnythingBetweenBreaksTheRun)
{
    auto cubes = rowOfCubes({AnatomySystem::skeletal, AnatomySystem::skeletal, AnatomySystem::skeletal});
    cubes[0].lodIndexCounts = {300};
    cubes[1].lodIndexCounts = {150};
    cubes[2].lodIndexCounts = {60};
    auto& s = makeScene(cubes);
    auto plan = frame();
    ASSERT_EQ(plan.opaque.size(), 1u);
    EXPECT_EQ(plan.opaque[0], (Range {0, 510, 0}));
    EXPECT_EQ(plan.triangles, 170);

    s.setOpacity(0.5f, 1);
    plan = frame();
    ASSERT_EQ(plan.opaque.size(), 2u);
    EXPECT_EQ(plan.opaque[0], (Range {0, 300, 0}));
    EXPECT_EQ(plan.opaque[1], (Range {450, 60, 0}));
    ASSERT_EQ(plan.transparent.size(), 1u);
    EXPECT_EQ(plan.transparent[0].indexStart, 300);
    EXPECT_LT(plan.transparent[0].sortKey, 0.f);

    // A hidden structure between two opaque ones breaks the run too.
    s.setOpacity(1, 1);
    s.hidden.insert(1);
    plan = frame();
    EXPECT_EQ(plan.opaque.size(), 2u);
    EXPECT_EQ(plan.visibleStructures, 2);
}

TEST_F(SceneTest, transparentRangesGoFarthestFirstAndKeepStructureOrderOnTies)
{
    // Camera at (0, 0, 2000): structures 0 and 2 lie at equal distances, 1 farther, 3 nearest.
    auto& s = makeScene({{AnatomySystem::skeletal, {-10, 0, 0}}, {AnatomySystem::skeletal, {0, 0, -50}},
        {AnatomySystem::skeletal, {10, 0, 0}}, {AnatomySystem::skeletal, {0, 0, 40}}});
    for (std::int64_t i = 0; i < 4; ++i)
        s.setOpacity(0.5f, i);
    auto plan = frame();
    ASSERT_EQ(plan.transparent.size(), 4u);
    EXPECT_EQ(plan.transparent[0].indexStart, 36);
    EXPECT_EQ(plan.transparent[1].indexStart, 0);
    EXPECT_EQ(plan.transparent[2].indexStart, 72);
    EXPECT_EQ(plan.transparent[3].indexStart, 108);
    EXPECT_EQ(plan.transparent[0].sortKey, -(2050.f * 2050.f));
    EXPECT_TRUE(plan.opaque.empty());
}

TEST_F(SceneTest, manyEqualDistancesKeepTheirStructureOrder)
{
    // Pairs mirrored across the view axis, nearer pairs first in structure order.
    std::vector<TestCube> cubes;
    for (int pair = 0; pair < 24; ++pair)
        for (float side : {-1.f, 1.f})
            cubes.push_back({AnatomySystem::skeletal, {side * 20, 0, -float(pair * 10)}});
    auto& s = makeScene(cubes);
    for (std::int64_t i = 0; i < s.structureCount(); ++i)
        s.setOpacity(0.5f, i);
    auto plan = frame();
    ASSERT_EQ(plan.transparent.size(), cubes.size());
    for (std::size_t k = 0; k < cubes.size(); ++k) {
        std::int64_t structure = 2 * (23 - std::int64_t(k) / 2) + std::int64_t(k) % 2;
        EXPECT_EQ(plan.transparent[k].indexStart, 36 * structure) << k;
    }
}

TEST_F(SceneTest, frustumCullingDropsStructuresOutsideTheView)
{
    // The camera looks from (0, 0, 2000) towards the origin; structure 1 is behind it.
    auto& s = makeScene({{AnatomySystem::skeletal, {0, 0, 0}}, {AnatomySystem::skeletal, {0, 0, 2500}},
        {AnatomySystem::skeletal, {5000, 0, 0}}, {AnatomySystem::nervous, {0, 0, 2500}}});
    auto plan = frame();
    EXPECT_EQ(plan.culled, 2); // the invisible nervous structure is not counted
    EXPECT_EQ(plan.visibleStructures, 1);
    ASSERT_EQ(plan.opaque.size(), 1u);
    EXPECT_EQ(plan.opaque[0], (Range {0, 36, 0}));

    s.frustumCulling = false;
    plan = frame();
    EXPECT_EQ(plan.culled, 0);
    EXPECT_EQ(plan.visibleStructures, 3);
    EXPECT_EQ(plan.opaque[0], (Range {0, 108, 0}));
}

TEST_F(SceneTest, aDamagedCameraStillGivesAUsablePlan)
{
    // Repaired, the camera looks from (0, 0, 2000) at the origin: structure 2 is out of view.
    auto& s = makeScene({{AnatomySystem::skeletal, {-100, 0, 0}}, {AnatomySystem::skeletal, {0, 0, 0}},
        {AnatomySystem::skeletal, {50000, 0, 0}}});
    s.setOpacity(0.5f, 0);
    OrbitCamera broken;
    broken.distance = std::numeric_limits<float>::quiet_NaN();
    broken.fovY = 0;
    broken.target = {std::numeric_limits<float>::infinity(), 0, 0};
    auto plan = frame(broken);
    EXPECT_EQ(plan.visibleStructures, 2);
    EXPECT_EQ(plan.culled, 1);
    ASSERT_EQ(plan.transparent.size(), 1u);
    EXPECT_LT(plan.transparent[0].sortKey, -1e6f);
    auto pick = s.buildPickFrame(broken, {1000, 1000}, {500, 500}, 7, props);
    ASSERT_EQ(pick.opaque.size(), 1u);
    EXPECT_EQ(pick.opaque[0].indexStart, 36);
}

TEST_F(SceneTest, levelOfDetailFollowsTheProjectedSize)
{
    // Levels of 36, 24 and 12 indices.
    auto& s = makeScene({{AnatomySystem::skeletal, {0, 0, 0}, 10, {36, 24, 12}}});
    OrbitCamera camera;
    camera.distance = 1000;
    float t = std::tan(camera.fovY / 2);
    float radius = s.radius(0);
    // The view height at which the structure measures `pixels`.
    auto heightFor = [&](float pixels) { return pixels * 2 * t * 1000 / radius; };
    auto levelCount = [&](float pixels) {
        auto plan = frame(camera, {100, heightFor(pixels)});
        EXPECT_EQ(plan.opaque.size(), 1u);
        return plan.opaque.empty() ? -1 : plan.opaque[0].indexCount;
    };
    EXPECT_EQ(levelCount(56), 36);
    EXPECT_EQ(levelCount(54), 24);
    EXPECT_EQ(levelCount(15), 24);
    EXPECT_EQ(levelCount(13), 12);
    // A bias of 0 counts as 0.05: 300 pixels become 15, the middle level.
    s.lodBias = 0;
    EXPECT_EQ(levelCount(300), 24);
    s.lodBias = 2;
    EXPECT_EQ(levelCount(30), 36);
}

TEST_F(SceneTest, missingLevelsFallBackToFinerOnes)
{
    auto& s = makeScene(
        {{AnatomySystem::skeletal, {0, 0, 0}, 1, {36, 0, 0}}, {AnatomySystem::skeletal, {3, 0, 0}, 1}});
    s.lodBias = 0.05f; // both tiny on screen: level 2 requested
    auto plan = frame();
    ASSERT_EQ(plan.opaque.size(), 1u);
    EXPECT_EQ(plan.opaque[0], (Range {0, 72, 0}));
}

TEST_F(SceneTest, structureRecordsCarryColourAlphaExplodeSelectionAndMaterial)
{
    auto& s
        = makeScene(rowOfCubes({AnatomySystem::skeletal, AnatomySystem::muscular, AnatomySystem::nervous}));
    s.colorOverrides.set(1, {0.1f, 0.2f, 0.3f});
    s.selected.insert(2); // selected but its system is off
    s.explode = 3;
    auto plan = frame();
    SystemColor bone = baseColor(AnatomySystem::skeletal);
    EXPECT_EQ(props[0].colorAlpha, (float4 {bone.red, bone.green, bone.blue, 1}));
    EXPECT_EQ(props[0].material, surfaceMaterial(AnatomySystem::skeletal));
    EXPECT_EQ(props[1].colorAlpha, (float4 {0.1f, 0.2f, 0.3f, 1}));
    // The record carries the direction at factor 1; the shader applies the factor.
    EXPECT_EQ(props[1].explodeFlags.xyz(), s.explodeOffset(1) / 3);
    EXPECT_EQ(props[1].explodeFlags.w, 0.f);
    EXPECT_EQ(props[2].explodeFlags.w, StructureProps::selectedFlag);
    EXPECT_EQ(props[2].colorAlpha.w, 0.f);
    EXPECT_EQ(plan.visibleStructures, 2);

    std::vector<StructureProps> tooFew(2);
    EXPECT_THROW(s.buildFrame({}, {100, 100}, tooFew), std::invalid_argument);
}

TEST_F(SceneTest, ghostingFadesTheUnselectedOnlyWhileSomethingIsSelected)
{
    auto& s
        = makeScene(rowOfCubes({AnatomySystem::skeletal, AnatomySystem::skeletal, AnatomySystem::skeletal}));
    s.ghostOthers = true;
    s.ghostAlpha = 0.15f;
    auto plan = frame();
    EXPECT_EQ(plan.opaque.size(), 1u);
    EXPECT_TRUE(plan.transparent.empty());

    s.selected.insert(1);
    s.setOpacity(0.05f, 2); // already below the ghost ceiling
    plan = frame();
    EXPECT_EQ(props[0].colorAlpha.w, 0.15f);
    EXPECT_EQ(props[1].colorAlpha.w, 1.f);
    EXPECT_EQ(props[2].colorAlpha.w, 0.05f);
    ASSERT_EQ(plan.opaque.size(), 1u);
    EXPECT_EQ(plan.opaque[0], (Range {36, 36, 0}));
    EXPECT_EQ(plan.transparent.size(), 2u);
}

TEST_F(SceneTest, pickPlanHoldsOnlyPickableStructuresNearTheCursor)
{
    auto& s = makeScene({{AnatomySystem::skeletal, {-200, 0, 0}, 5}, {AnatomySystem::skeletal, {0, 0, 0}, 5},
        {AnatomySystem::skeletal, {200, 0, 0}, 5}, {AnatomySystem::skeletal, {0, 0, 2500}, 5},
        {AnatomySystem::skeletal, {8, 0, 0}, 5}});
    s.ghostOthers = true;
    s.selected.insert(0);
    OrbitCamera camera;
    float2 size {1000, 1000};
    auto plan = s.buildPickFrame(camera, size, {500, 500}, 7, props);
    // Structure 4's centre is 8 units (≈ 5.8 pixels) away: within the tolerance plus its own size.
    ASSERT_EQ(plan.opaque.size(), 2u);
    EXPECT_EQ(plan.opaque[0], (Range {36, 36, 0}));
    EXPECT_EQ(plan.opaque[1], (Range {144, 36, 0}));
    EXPECT_TRUE(plan.transparent.empty());
    EXPECT_EQ(plan.visibleStructures, 2);
    EXPECT_EQ(plan.triangles, 24);
    EXPECT_EQ(plan.culled, 0);
    // No ghosting and no selection flag in the pick pass.
    EXPECT_EQ(props[1].colorAlpha.w, 1.f);
    EXPECT_EQ(props[0].explodeFlags.w, 0.f);

    // At the projected centre of structure 2.
    auto onRight = camera.project({200, 0, 0}, size);
    ASSERT_TRUE(onRight);
    plan = s.buildPickFrame(camera, size, {onRight->x, onRight->y}, 3, props);
    ASSERT_EQ(plan.opaque.size(), 1u);
    EXPECT_EQ(plan.opaque[0].indexStart, 72);

    // Alpha 0.02 is not pickable; 0.021 is.
    s.setOpacity(0.02f, 1);
    EXPECT_EQ(s.buildPickFrame(camera, size, {500, 500}, 0, props).opaque.size(), 1u);
    s.setOpacity(0.021f, 1);
    EXPECT_EQ(s.buildPickFrame(camera, size, {500, 500}, 0, props).opaque.size(), 2u);
}

TEST_F(SceneTest, pickPlanAlwaysTakesAStructureAroundTheEye)
{
    auto& s = makeScene(
        {{AnatomySystem::skeletal, {0, 0, 2000}, 10}, {AnatomySystem::skeletal, {0, 0, 2100}, 10}});
    auto plan = s.buildPickFrame(OrbitCamera {}, {800, 600}, {0, 0}, 0, props);
    ASSERT_EQ(plan.opaque.size(), 1u); // the one behind the eye is skipped
    EXPECT_EQ(plan.opaque[0].indexStart, 0);
}

TEST_F(SceneTest, boundsJoinTheListedBoxes)
{
    auto& s
        = makeScene({{AnatomySystem::skeletal, {-50, 0, 0}, 5}, {AnatomySystem::skeletal, {50, 20, 0}, 10}});
    EXPECT_FALSE(s.bounds(Indices {}));
    EXPECT_FALSE(s.bounds(Indices {-1, 2}));
    auto one = s.bounds(Indices {0, 7});
    ASSERT_TRUE(one);
    EXPECT_EQ(*one, (AnatomyScene::Bounds {{-55, -5, -5}, {-45, 5, 5}}));
    auto both = s.bounds(Indices {1, 0});
    ASSERT_TRUE(both);
    EXPECT_EQ(*both, (AnatomyScene::Bounds {{-55, -5, -10}, {60, 30, 10}}));
    // Explode offsets are not part of the pack boxes.
    s.explode = 1;
    EXPECT_EQ(s.bounds(Indices {1, 0}), both);
}

TEST_F(SceneTest, displacedBoundsMoveEachStructureByItsOwnOffset)
{
    // Two structures on opposite sides explode in opposite directions; moving both
    // boxes by the first one's offset would leave the second outside the frame.
    auto& s
        = makeScene({{AnatomySystem::skeletal, {-50, 0, 0}, 5}, {AnatomySystem::skeletal, {50, 0, 0}, 5}});
    s.explode = 1;
    Float3 left = s.explodeOffset(0), right = s.explodeOffset(1);
    ASSERT_LT(left.x, 0.f);
    ASSERT_GT(right.x, 0.f);
    auto box = s.displacedBounds(Indices {0, 1});
    ASSERT_TRUE(box);
    EXPECT_EQ(box->min, (min(Float3 {-55, -5, -5} + left, Float3 {45, -5, -5} + right)));
    EXPECT_EQ(box->max, (max(Float3 {-45, 5, 5} + left, Float3 {55, 5, 5} + right)));
    EXPECT_LT(box->min.x, -55 + left.x + 1e-3f);
    EXPECT_GT(box->max.x, 55 + right.x - 1e-3f);

    s.explode = 0;
    EXPECT_EQ(s.displacedBounds(Indices {0, 1}), s.bounds(Indices {0, 1}));
    EXPECT_FALSE(s.displacedBounds(Indices {-3}));
}

TEST_F(SceneTest, raycastFindsTheNearestFaceOfTheDrawnMesh)
{
    auto& s = makeScene(
        {{AnatomySystem::skeletal, {0, 0, 0}, 10}, {AnatomySystem::skeletal, {100, 0, 0}, 10, {3}}});
    auto hit = s.raycast({0, 0, 100}, {0, 0, -1}, 0);
    ASSERT_TRUE(hit);
    EXPECT_EQ(*hit, (Float3 {0, 0, 10}));
    // From inside, the far side is hit (both faces of a triangle count).
    EXPECT_EQ(s.raycast({0, 0, 0}, {0, 0, 1}, 0), (Float3 {0, 0, 10}));
    // A hit closer than 0.001 along the ray is ignored.
    EXPECT_EQ(s.raycast({0, 0, 10.0005f}, {0, 0, -1}, 0), (Float3 {0, 0, -10}));
    // Grazing an edge still hits thanks to the margins; clearly outside misses.
    EXPECT_TRUE(s.raycast({10.001f, 3, 100}, {0, 0, -1}, 0));
    EXPECT_FALSE(s.raycast({10.1f, 3, 100}, {0, 0, -1}, 0));
    EXPECT_FALSE(s.raycast({0, 0, 100}, {0, 0, 1}, 0));
    EXPECT_FALSE(s.raycast({0, 0, 100}, {0, 0, -1}, 2));
    EXPECT_FALSE(s.raycast({0, 0, 100}, {0, 0, -1}, -1));

    // The ray meets the structure where it is drawn.
    s.explode = 1;
    Float3 offset = s.explodeOffset(0);
    auto moved = s.raycast(offset + Float3 {0, 0, 100}, {0, 0, -1}, 0);
    ASSERT_TRUE(moved);
    EXPECT_NEAR(moved->z, offset.z + 10, 1e-3);
    EXPECT_NEAR(moved->x, offset.x, 1e-4);
}

TEST(FrustumPlanes, areNormalisedAndContainWhatTheCameraSees)
{
    OrbitCamera camera;
    camera.yaw = 0.4f;
    camera.target = {10, 20, 30};
    auto planes = AnatomyScene::frustumPlanes(camera.viewProjection(1.5f));
    auto inside = [&](Float3 p) {
        for (const float4& plane : planes)
            if (dot(plane.xyz(), p) + plane.w < 0)
                return false;
        return true;
    };
    for (const float4& plane : planes)
        EXPECT_NEAR(length(plane.xyz()), 1, 1e-5);
    EXPECT_TRUE(inside(camera.target));
    EXPECT_FALSE(inside(camera.position() + camera.direction() * 10)); // behind the eye
    EXPECT_FALSE(inside(camera.position() - camera.direction() * (camera.far() + 10))); // beyond far
    // The near plane is the fifth and faces along the view direction.
    EXPECT_NEAR(dot(planes[4].xyz(), -camera.direction()), 1, 1e-4);
    auto ray = camera.ray({1, 1}, {1500, 1000});
    EXPECT_TRUE(inside(ray.origin + ray.direction * 1000));
    auto outside = camera.ray({-50, 500}, {1500, 1000});
    EXPECT_FALSE(inside(outside.origin + outside.direction * 1000));
}
