#include "RenderTestSupport.h"

#include "AnatomyCore/Storage/ResourceLocator.h"
#include "AnatomyRender/BackgroundPalette.h"
#include "AnatomyRender/RendererError.h"

#include <epoxy/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace morvena;
using namespace morvena::test;

namespace {

bool isBackground(const RenderedImage& image, int x, int y)
{
    // The dark gradient never gets brighter than its upper colour.
    auto c = pixelAt(image, x, y);
    return c.red <= 24 && c.green <= 26 && c.blue <= 30;
}

// The pixels of a framebuffer the renderer drew into, memory row 0 first (the bottom
// of the picture, as GL presents it).
std::vector<std::uint8_t> readFramebuffer(GLuint framebuffer, int width, int height)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 4));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return pixels;
}

std::string shaderResource()
{
    return readFile(ResourceLocator::resource("AnatomyRender", "Shaders.glsl"));
}

} // namespace

TEST(FrameRendering, backgroundShowsEachPaletteExactlyAtAnyExposure)
{
    RenderFixture fixture({boxMesh("A", {-1, -1, -1}, {1, 1, 1})});
    auto& renderer = *fixture.renderer;
    auto image = fixture.render();
    EXPECT_TRUE(isNear(pixelAt(image, 0, 0), darkBackgroundColors()[0], 1));
    EXPECT_TRUE(isNear(pixelAt(image, 0, 63), darkBackgroundColors()[1], 1));

    renderer.setDarkBackground(false);
    for (float exposure : {1.04f, 1.6f}) {
        renderer.setExposure(exposure);
        for (auto palette : allBackgroundPalettes()) {
            renderer.setBackgroundPalette(palette);
            image = fixture.render();
            SCOPED_TRACE(std::string(italianName(palette)) + " " + std::to_string(exposure));
            EXPECT_TRUE(isNear(pixelAt(image, 5, 0), colors(palette)[0], 1));
            EXPECT_TRUE(isNear(pixelAt(image, 60, 63), colors(palette)[1], 1));
        }
    }
}

TEST(FrameRendering, drawsVisibleStructuresAndLeavesOutHiddenOnes)
{
    RenderFixture fixture({boxMesh("A", {-15, -5, -5}, {-5, 5, 5}), boxMesh("B", {5, -5, -5}, {15, 5, 5})});
    auto image = fixture.render();
    // A covers the left of the middle row, B the right; between them the background.
    EXPECT_FALSE(isBackground(image, 16, 32));
    EXPECT_FALSE(isBackground(image, 48, 32));
    EXPECT_TRUE(isBackground(image, 32, 32));

    fixture.scene->hidden.insert(1);
    image = fixture.render();
    EXPECT_FALSE(isBackground(image, 16, 32));
    EXPECT_TRUE(isBackground(image, 48, 32));

    fixture.scene->hidden.clear();
    fixture.scene->setOpacity(0, 0);
    image = fixture.render();
    EXPECT_TRUE(isBackground(image, 16, 32));
    EXPECT_FALSE(isBackground(image, 48, 32));
}

TEST(FrameRendering, damagedRestoredCameraIsRepairedOnAssignmentAndStillDraws)
{
    RenderFixture fixture({boxMesh("A", {-5, -5, -5}, {5, 5, 5})});
    auto restored = fixture.renderer->camera();
    restored.target.x = std::nanf("");
    restored.fovY = 0;
    fixture.renderer->setCamera(restored);

    const auto& camera = fixture.renderer->camera();
    EXPECT_EQ(camera.target, (Float3 {0, 0, 0}));
    EXPECT_EQ(camera.fovY, OrbitCamera().fovY);
    EXPECT_EQ(camera.distance, restored.distance) << "sound fields are kept";
    // The uniforms come from the repaired camera: the structure is drawn, not a blank frame.
    EXPECT_FALSE(isBackground(fixture.render(), 32, 32));
}

TEST(FrameRendering, clipPlaneKeepsOneHalfAndItsFlipTheOther)
{
    RenderFixture fixture({boxMesh("A", {-15, -10, -10}, {15, 10, 10})});
    fixture.scene->clip = ClipPlane {ClipPlane::Axis::sagittal, 0, false};
    auto image = fixture.render();
    // The plane's normal points to +x, which the camera shows on the right.
    EXPECT_TRUE(isBackground(image, 20, 32));
    EXPECT_FALSE(isBackground(image, 44, 32));

    fixture.scene->clip->flipped = true;
    image = fixture.render();
    EXPECT_FALSE(isBackground(image, 20, 32));
    EXPECT_TRUE(isBackground(image, 44, 32));

    fixture.scene->clip = ClipPlane {ClipPlane::Axis::transverse, 0, false};
    image = fixture.render();
    EXPECT_FALSE(isBackground(image, 32, 26)); // upper half stays
    EXPECT_TRUE(isBackground(image, 32, 38));
}

TEST(FrameRendering, translucentStructureBlendsWithTheBackground)
{
    RenderFixture fixture({boxMesh("A", {-10, -10, -10}, {10, 10, 10})});
    auto opaque = pixelAt(fixture.render(), 32, 32);
    fixture.scene->setOpacity(0.5f, 0);
    auto blended = pixelAt(fixture.render(), 32, 32);
    fixture.scene->setOpacity(0, 0);
    auto background = pixelAt(fixture.render(), 32, 32);
    auto between = [](int value, int a, int b) { return value > std::min(a, b) && value < std::max(a, b); };
    EXPECT_TRUE(between(blended.red, background.red, opaque.red)) << blended.red;
    EXPECT_TRUE(between(blended.green, background.green, opaque.green)) << blended.green;
    EXPECT_TRUE(between(blended.blue, background.blue, opaque.blue)) << blended.blue;
}

TEST(FrameRendering, drawPresentsUprightAndReportsStatistics)
{
    RenderFixture fixture({boxMesh("A", {-10, 5, -5}, {10, 15, 5})});
    auto& renderer = *fixture.renderer;
    TestFramebuffer target(64, 64);
    std::vector<RenderStats> reported;
    renderer.setOnStats([&reported](const RenderStats& stats) { reported.push_back(stats); });
    renderer.draw(target.framebuffer, 64, 64);

    auto pixels = readFramebuffer(target.framebuffer, 64, 64);
    auto red = [&pixels](int x, int memoryRow) {
        return pixels[static_cast<std::size_t>((memoryRow * 64 + x) * 4)];
    };
    // The box lies above the middle: on screen that is the upper half, GL's higher rows.
    EXPECT_GT(red(32, 46), 60);
    EXPECT_LT(red(32, 17), 30);
    EXPECT_EQ(renderer.framesRendered(), 1);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].drawCalls, 2); // one opaque range and the background
    EXPECT_EQ(reported[0].triangles, 12);
    EXPECT_EQ(reported[0].visibleStructures, 1);
    EXPECT_EQ(reported[0], renderer.stats());
    EXPECT_GT(reported[0].fps, 0);

    renderer.draw(target.framebuffer, 1, 100);
    renderer.draw(target.framebuffer, 100, 1);
    EXPECT_EQ(renderer.framesRendered(), 1);
    EXPECT_EQ(reported.size(), 1u);

    // More frames than slots: each slot waits for its previous frame before reuse.
    for (int i = 0; i < 7; ++i)
        renderer.draw(target.framebuffer, 64, 64);
    EXPECT_EQ(renderer.framesRendered(), 8);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(FrameRendering, destroyingTheRendererWithFramesInFlightLeavesTheContextClean)
{
    RenderFixture fixture({boxMesh("A", {-10, -10, -10}, {10, 10, 10})});
    TestFramebuffer target(128, 128);
    for (int i = 0; i < 3; ++i)
        fixture.renderer->draw(target.framebuffer, 128, 128);
    fixture.renderer.reset();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(FrameRendering, emptyPackRendersTheBackground)
{
    RenderFixture fixture({});
    EXPECT_EQ(fixture.pack->structureCount(), 0u);
    auto image = fixture.render();
    EXPECT_TRUE(isNear(pixelAt(image, 32, 0), darkBackgroundColors()[0], 1));
    EXPECT_FALSE(fixture.renderer->pick({32, 32}, {64, 64}, 7));
    EXPECT_EQ(fixture.renderer->stats().gpuMemoryMB, 0);
}

TEST(FrameRendering, qualityClampsSampleCountsToWhatTheGPUOffers)
{
    RenderFixture fixture({boxMesh("A", {-10, -10, -10}, {10, 10, 10})});
    auto& renderer = *fixture.renderer;
    GLint maxSamples = 1;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    // llvmpipe offers 1 and 4 samples only.
    bool llvmpipe = renderer.device().find("llvmpipe") != std::string::npos;
    auto samplesAfterFrame = [&](RenderQuality quality, int requested) {
        renderer.setQuality(quality);
        EXPECT_EQ(renderer.sceneSampleCount(), 0) << "targets are rebuilt on the next frame";
        auto image = fixture.render();
        EXPECT_FALSE(isNear(pixelAt(image, 32, 32), darkBackgroundColors()[0], 10));
        int samples = renderer.sceneSampleCount();
        EXPECT_GE(samples, 1);
        EXPECT_LE(samples, std::min(requested, static_cast<int>(maxSamples)));
        return samples;
    };

    EXPECT_EQ(renderer.sceneSampleCount(), 0);
    fixture.render();
    int standard = renderer.sceneSampleCount();
    renderer.setQuality(RenderQuality::standard); // unchanged: the targets stay
    EXPECT_EQ(renderer.sceneSampleCount(), standard);

    int alta = samplesAfterFrame(RenderQuality::alta, 8);
    int prestazioni = samplesAfterFrame(RenderQuality::prestazioni, 2);
    if (llvmpipe) {
        EXPECT_EQ(standard, 4);
        EXPECT_EQ(alta, 4);
        EXPECT_EQ(prestazioni, 1);
    }
}

TEST(FrameRendering, occlusionHasNoEffectWithoutIntensityOrUnderPrestazioni)
{
    // A small box in front of a wall: the wall around it is occluded.
    RenderFixture fixture(
        {boxMesh("Wall", {-30, -30, -12}, {30, 30, -10}), boxMesh("Box", {-4, -4, -10}, {4, 4, -2})});
    auto& renderer = *fixture.renderer;
    fixture.lookFromFront(20);
    renderer.setAmbientOcclusionRadius(0.2f);
    renderer.setDebugView(1); // occlusion only
    auto minimum = [](const RenderedImage& image) {
        int darkest = 255;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                darkest = std::min(darkest, pixelAt(image, x, y).red);
        return darkest;
    };
    EXPECT_LT(minimum(fixture.render()), 235);
    renderer.setAmbientOcclusionIntensity(0);
    EXPECT_EQ(minimum(fixture.render()), 255);
    renderer.setAmbientOcclusionIntensity(1.8f);
    renderer.setQuality(RenderQuality::prestazioni);
    EXPECT_EQ(minimum(fixture.render()), 255);
}

TEST(RendererCreation, missingShaderSectionOrFileOrBrokenShaderFails)
{
    OffscreenGLContext context;
    TemporaryFolder folder;
    MeshPackBuilder builder;
    builder.add(boxMesh("A", {0, 0, 0}, {1, 1, 1}));
    builder.write(folder / "p.mrvpack", "", "");
    auto pack = std::make_shared<MeshPack>(folder / "p.mrvpack");
    auto scene = std::make_shared<AnatomyScene>(pack, std::set<AnatomySystem> {AnatomySystem::skeletal});
    auto failure = [&](const std::filesystem::path& shaders) -> std::string {
        try {
            AnatomyRenderer renderer(pack, scene, shaders);
        } catch (const RendererError& error) {
            return error.what();
        }
        return "nessun errore";
    };

    auto source = shaderResource();
    ASSERT_FALSE(source.empty());
    auto withoutBlur = source;
    auto start = withoutBlur.find("//@section ssao_blur_fragment");
    auto end = withoutBlur.find("//@section", start + 1);
    withoutBlur.erase(start, end - start);
    writeFile(folder / "noblur.glsl", withoutBlur);
    EXPECT_EQ(failure(folder / "noblur.glsl"),
        "Creazione della pipeline grafica non riuscita: funzioni dello shader non trovate");

    EXPECT_EQ(failure(folder / "missing.glsl"), "Shaders.glsl non trovato nelle risorse dell'app.");

    auto broken = source;
    broken.replace(broken.find("outIdentifier = structure + 1u;"), 5, "oops ");
    writeFile(folder / "broken.glsl", broken);
    EXPECT_THAT(failure(folder / "broken.glsl"),
        ::testing::StartsWith("Compilazione degli shader non riuscita: anatomy_pick_fragment"));
}

TEST(RendererCreation, withoutCurrentContextThereIsNoDevice)
{
    OffscreenGLContext context;
    TemporaryFolder folder;
    MeshPackBuilder builder;
    builder.write(folder / "p.mrvpack", "", "");
    auto pack = std::make_shared<MeshPack>(folder / "p.mrvpack");
    auto scene = std::make_shared<AnatomyScene>(pack, std::set<AnatomySystem> {});
    std::string message;
    // A new thread has no current context.
    std::thread([&] {
        try {
            AnatomyRenderer renderer(pack, scene);
        } catch (const RendererError& error) {
            message = error.what();
        }
    }).join();
    EXPECT_EQ(message, "Nessun dispositivo OpenGL disponibile su questo computer.");
}
