#include "RenderTestSupport.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

namespace {

bool rowHasStructure(const RenderedImage& image, int y)
{
    for (int x = 0; x < image.width; ++x) {
        if (pixelAt(image, x, y).red > 60)
            return true;
    }
    return false;
}

} // namespace

TEST(OffscreenRendering, imageRowsRunFromTheTopDown)
{
    // The box sits above the middle and is wider than tall.
    RenderFixture fixture({boxMesh("A", {-15, 6, -2}, {15, 16, 2})});
    auto image = fixture.render(96, 64);
    EXPECT_EQ(image.width, 96);
    EXPECT_EQ(image.height, 64);
    EXPECT_EQ(image.pixels.size(), 96u * 64u * 4u);
    EXPECT_TRUE(rowHasStructure(image, 20));
    EXPECT_FALSE(rowHasStructure(image, 44));
    EXPECT_FALSE(rowHasStructure(image, 2));
}

TEST(OffscreenRendering, tinyAndImpossibleSizesGiveNoImage)
{
    RenderFixture fixture({boxMesh("A", {-5, -5, -5}, {5, 5, 5})});
    auto& renderer = *fixture.renderer;
    EXPECT_FALSE(renderer.renderImage(1, 100));
    EXPECT_FALSE(renderer.renderImage(100, 1));
    EXPECT_FALSE(renderer.renderImage(0, 0));
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    EXPECT_FALSE(renderer.renderImage(largest + 1, 16));
    EXPECT_FALSE(renderer.renderImage(100000, 100000));
    // The renderer is unharmed.
    auto image = renderer.renderImage(32, 32);
    ASSERT_TRUE(image);
    EXPECT_GT(pixelAt(*image, 16, 16).red, 60);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(OffscreenRendering, benchmarkTimesFramesAndTurnsTheCamera)
{
    RenderFixture fixture({boxMesh("A", {-5, -5, -5}, {5, 5, 5}), boxMesh("B", {8, -5, -5}, {12, 5, 5})});
    auto& renderer = *fixture.renderer;
    fixture.scene->setOpacity(0.5f, 1);
    auto before = renderer.camera();
    auto result = renderer.benchmark(64, 48, 5);
    EXPECT_EQ(result.frames, 5);
    EXPECT_GT(result.medianMS, 0);
    EXPECT_LE(result.medianMS, result.p95MS);
    EXPECT_LE(result.p95MS, result.worstMS);
    EXPECT_GE(result.cpuMedianMS, 0);
    EXPECT_EQ(result.drawCalls, 3); // one opaque range, one transparent, the background
    EXPECT_EQ(result.triangles, 24);
    EXPECT_EQ(result.structures, 2);
    // Six renders, the first untimed, each turning the camera.
    EXPECT_NEAR(renderer.camera().yaw, before.yaw - 6 * 0.056f, 1e-5);
    EXPECT_NEAR(renderer.camera().pitch, before.pitch + 6 * 0.0136f, 1e-5);
    EXPECT_EQ(renderer.stats().drawCalls, 0) << "offscreen renders leave the statistics alone";
    EXPECT_EQ(renderer.framesRendered(), 0);
}

TEST(OffscreenRendering, benchmarkWithoutFramesOrTargetGivesTheZeroResult)
{
    RenderFixture fixture({boxMesh("A", {-5, -5, -5}, {5, 5, 5})});
    auto& renderer = *fixture.renderer;
    EXPECT_EQ(renderer.benchmark(64, 64, 0), AnatomyRenderer::BenchmarkResult());
    EXPECT_EQ(renderer.benchmark(64, 64, -3), AnatomyRenderer::BenchmarkResult());
    EXPECT_EQ(renderer.benchmark(100000, 64, 3), AnatomyRenderer::BenchmarkResult());
}

TEST(OffscreenRendering, longBenchmarkStopsThePitchAtTheLimitAndKeepsTheYawInRange)
{
    RenderFixture fixture({boxMesh("A", {-5, -5, -5}, {5, 5, 5})});
    auto& renderer = *fixture.renderer;
    auto result = renderer.benchmark(8, 8, 200);
    EXPECT_EQ(result.frames, 200);
    EXPECT_EQ(renderer.camera().pitch, OrbitCamera::pitchLimit);
    EXPECT_LE(std::abs(renderer.camera().yaw), 3.1415925f);
}
