#include "RenderTestSupport.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

namespace {

constexpr float2 view {64, 64};
constexpr float2 centre {32, 32};

// One unit per pixel: lookFromFront(32) on a 64 × 64 view.
struct PickFixture : RenderFixture {
    explicit PickFixture(std::vector<MeshPackBuilder::Mesh> meshes)
        : RenderFixture(std::move(meshes), 32)
    {
    }
    std::optional<std::int64_t> pick(float2 at, int tolerance) { return renderer->pick(at, view, tolerance); }
};

} // namespace

TEST(Picking, hitsTheStructureUnderTheCursorAndMissesTheBackground)
{
    PickFixture fixture({pixelBox("A", 10, 10, 20, 20), pixelBox("B", 40, 40, 50, 50)});
    EXPECT_EQ(fixture.pick({15, 15}, 0), 0);
    EXPECT_EQ(fixture.pick({45.7f, 45.2f}, 3), 1);
    EXPECT_FALSE(fixture.pick({5, 58}, 3));
    EXPECT_EQ(fixture.renderer->lastPickStructureCount(), 0);
    fixture.pick({15, 15}, 3);
    EXPECT_EQ(fixture.renderer->lastPickStructureCount(), 1);
    EXPECT_EQ(fixture.renderer->lastPickTriangles(), 12);
    EXPECT_GE(fixture.renderer->lastPickMilliseconds(), 0);
}

TEST(Picking, toleranceReachesExactlyItsRingAndSmallOnesRetryAtSixteen)
{
    // The box's nearest column is `distance` pixels right of the cursor's.
    auto pickAtDistance = [](int distance, int tolerance) {
        PickFixture fixture({pixelBox("A", 32 + distance, 28, 60, 36)});
        return fixture.pick(centre, tolerance).has_value();
    };
    EXPECT_TRUE(pickAtDistance(7, 7));
    EXPECT_TRUE(pickAtDistance(15, 15));
    EXPECT_FALSE(pickAtDistance(16, 15)); // 15 does not retry
    EXPECT_TRUE(pickAtDistance(16, 14)); // 14 retries at 16
    EXPECT_TRUE(pickAtDistance(16, 7));
    EXPECT_FALSE(pickAtDistance(17, 7));
    EXPECT_FALSE(pickAtDistance(17, 16));
    EXPECT_TRUE(pickAtDistance(0, 0));
    EXPECT_FALSE(pickAtDistance(1, 0) && pickAtDistance(17, 0));
}

TEST(Picking, nearestRingWinsThenUpperRowThenLeftColumn)
{
    // All three first appear on ring 5 around the cursor at (32, 32).
    PickFixture upperVersusLower({pixelBox("Lower", 26, 36, 27, 37), pixelBox("Upper", 34, 26, 35, 27)});
    EXPECT_EQ(upperVersusLower.pack->name(*upperVersusLower.pick(centre, 7)), "Upper");

    PickFixture leftVersusRight({pixelBox("Right", 34, 26, 35, 27), pixelBox("Left", 28, 26, 29, 27)});
    EXPECT_EQ(leftVersusRight.pack->name(*leftVersusRight.pick(centre, 7)), "Left");

    PickFixture nearVersusFar({pixelBox("Far", 34, 26, 35, 27), pixelBox("Near", 35, 34, 36, 35)});
    EXPECT_EQ(nearVersusFar.pack->name(*nearVersusFar.pick(centre, 7)), "Near");
}

TEST(Picking, atTheEdgeTheStructureUnderTheCursorWins)
{
    // The square is pushed inside the target to (0, 0); the structure under the click
    // still beats one at the square's centre.
    PickFixture fixture({pixelBox("Corner", 0, 0, 1, 1), pixelBox("Inner", 7, 7, 8, 8)});
    EXPECT_EQ(fixture.pack->name(*fixture.pick({0.5f, 0.5f}, 7)), "Corner");
    EXPECT_FALSE(fixture.pick({63, 63}, 7));
}

TEST(Picking, cursorOutsideTheDrawableMissesAndSmallDrawablesAreClipped)
{
    PickFixture fixture({boxMesh("All", {-100, -100, -4}, {100, 100, 0})});
    EXPECT_EQ(fixture.pick(centre, 7), 0);
    for (float2 outside : {float2 {-1, 10}, float2 {64, 10}, float2 {10, 64}, float2 {10, -0.5f}})
        EXPECT_FALSE(fixture.pick(outside, 7)) << outside.x << ", " << outside.y;
    EXPECT_FALSE(fixture.renderer->pick({1, 1}, {1, 64}, 7));

    // Narrower than the square of tolerance 7 (15 pixels).
    EXPECT_EQ(fixture.renderer->pick({3, 3}, {8, 6}, 7), 0);
    EXPECT_EQ(fixture.renderer->pick({7, 5}, {8, 6}, 16), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Picking, ghostingDoesNotChangeWhatIsPicked)
{
    PickFixture fixture({pixelBox("A", 10, 10, 20, 20), pixelBox("B", 40, 40, 50, 50)});
    auto& scene = *fixture.scene;
    scene.selected.insert(0);
    scene.ghostOthers = true;
    scene.ghostAlpha = 0.01f; // below the pick threshold, were ghosting applied
    EXPECT_EQ(fixture.pick({45, 45}, 3), 1);
    EXPECT_EQ(fixture.pick({15, 15}, 3), 0);
    // A structure faded by its own opacity below the threshold is not pickable.
    scene.setOpacity(0.01f, 1);
    EXPECT_FALSE(fixture.pick({45, 45}, 3));
}

TEST(Picking, explodeMovesTheHit)
{
    PickFixture fixture({pixelBox("Centre", 28, 28, 36, 36), pixelBox("Right", 44, 30, 46, 34)});
    auto& scene = *fixture.scene;
    auto& renderer = *fixture.renderer;
    // Two pixels per unit, so the move exceeds the retry's reach of 16 pixels.
    constexpr float2 large {128, 128};
    auto at = [&](Float3 point) {
        auto projected = renderer.camera().project(point, large);
        return float2 {projected->x, projected->y};
    };
    auto original = at(scene.center(1));
    scene.explode = 3;
    auto moved = at(scene.center(1) + scene.explodeOffset(1));
    ASSERT_GT(std::abs(moved.x - original.x), 20);
    EXPECT_EQ(renderer.pick(moved, large, 1), 1);
    EXPECT_NE(renderer.pick(original, large, 1), 1);
    scene.explode = 0;
    EXPECT_NE(renderer.pick(moved, large, 1), 1);
    EXPECT_EQ(renderer.pick(original, large, 1), 1);
}

TEST(Picking, clippedHalfCannotBePicked)
{
    PickFixture fixture({pixelBox("Wide", 10, 28, 54, 36)});
    fixture.scene->clip = ClipPlane {ClipPlane::Axis::sagittal, 0, false};
    EXPECT_FALSE(fixture.pick({12, 32}, 1)); // the retry at 16 stays within the cut half
    EXPECT_EQ(fixture.pick({48, 32}, 1), 0);
}

TEST(Picking, benchmarkPickTimesRepeatedClicks)
{
    PickFixture fixture({pixelBox("A", 10, 10, 20, 20)});
    auto& renderer = *fixture.renderer;
    auto result = renderer.benchmarkPick({15, 15}, view, 5);
    EXPECT_EQ(result.hit, 0);
    EXPECT_GT(result.medianMS, 0);
    EXPECT_EQ(result.structures, 1);
    EXPECT_EQ(result.triangles, 12);
    auto none = renderer.benchmarkPick({15, 15}, view, 0);
    EXPECT_FALSE(none.hit);
    EXPECT_EQ(none.medianMS, 0);
}
