#include "RenderTestSupport.h"

#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

namespace {

// A renderer whose media clock the test sets by hand; frames are drawn offscreen.
struct AnimationFixture : RenderFixture {
    AnimationFixture()
        : RenderFixture({boxMesh("A", {-10, -10, -10}, {0, 0, 0}), boxMesh("B", {20, 20, 20}, {30, 40, 30})})
    {
        renderer->setClock([this] { return time; });
    }
    void drawFrameAt(double seconds)
    {
        time = seconds;
        renderer->draw(target.framebuffer, 32, 32);
    }
    double time = 100;
    TestFramebuffer target {32, 32};
};

} // namespace

TEST(CameraMoves, animatedPresetEasesToItsAnglesInFortyTwoHundredths)
{
    AnimationFixture fixture;
    auto& renderer = *fixture.renderer;
    auto from = renderer.camera();
    renderer.apply(CameraPreset::posterior, true);
    EXPECT_TRUE(renderer.isAnimating());
    EXPECT_EQ(renderer.camera(), from) << "the move starts on the next frame";

    fixture.drawFrameAt(99); // a start in the future shows the camera it leaves
    EXPECT_EQ(renderer.camera(), from);
    fixture.drawFrameAt(100.21);
    EXPECT_NE(renderer.camera().yaw, from.yaw);
    EXPECT_TRUE(renderer.isAnimating());
    fixture.drawFrameAt(100.42);
    EXPECT_FALSE(renderer.isAnimating());
    EXPECT_EQ(renderer.camera().yaw, 3.1415925f);
    EXPECT_EQ(renderer.camera().pitch, 0);
    EXPECT_EQ(renderer.camera().target, from.target);
}

TEST(CameraMoves, secondRequestStartsFromTheLastDrawnCameraAndInstantMovesCancel)
{
    AnimationFixture fixture;
    auto& renderer = *fixture.renderer;
    renderer.apply(CameraPreset::left, true);
    fixture.drawFrameAt(100.2);
    auto halfway = renderer.camera();
    renderer.apply(CameraPreset::superior, true);
    fixture.drawFrameAt(100.2); // t = 0 of the new move
    EXPECT_EQ(renderer.camera(), halfway);

    renderer.apply(CameraPreset::anterior, false);
    EXPECT_FALSE(renderer.isAnimating());
    fixture.drawFrameAt(100.3);
    EXPECT_EQ(renderer.camera().yaw, 0);
    EXPECT_EQ(renderer.camera().pitch, 0);
}

TEST(CameraMoves, framingUsesTheStructuresWhereTheyAreDrawn)
{
    AnimationFixture fixture;
    auto& renderer = *fixture.renderer;
    auto before = renderer.camera();
    const std::int64_t outside[] = {-1, 2, 99};
    renderer.frameStructures(outside, 1, false);
    EXPECT_EQ(renderer.camera(), before);

    const std::int64_t second[] = {1};
    renderer.frameStructures(second, 1, false);
    EXPECT_EQ(renderer.camera().target, (Float3 {25, 30, 25}));
    EXPECT_EQ(renderer.camera().yaw, before.yaw);

    fixture.scene->explode = 1;
    const std::int64_t both[] = {0, 1};
    renderer.frameStructures(both, 1, false);
    auto box = fixture.scene->displacedBounds(both);
    EXPECT_EQ(renderer.camera().target, (box->min + box->max) * 0.5f);

    renderer.frameAll(1, true);
    fixture.drawFrameAt(200);
    auto whole = fixture.pack->center();
    EXPECT_EQ(renderer.camera().target, whole);
}
