#pragma once

#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/BackgroundPalette.h"
#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/OrbitCamera.h"
#include "AnatomyRender/RenderQuality.h"
#include "AnatomyRender/RenderStats.h"
#include "AnatomyRender/RenderedImage.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

class MeshPack;
struct ColorTarget;
struct CompositeDestination;
struct ContextObjects;
struct FrameSlot;
struct PickSquare;
class RenderPasses;
struct RenderTargets;
struct RenderUniforms;

// Draws one geometry pack as one scene describes it, with OpenGL 4.5 core: frames into
// the viewer's framebuffer, picks, offscreen images and timing runs.
//
// The renderer uses the OpenGL context that is current when it is created (an
// OffscreenGLContext in the tool and the tests, a context of the viewer's share group in
// the viewer). A context must be current on the calling thread for every call,
// destruction included: by default that one context; after setContextKey any context
// of its share group. The pack and the scene are kept alive by the renderer.
class AnatomyRenderer {
public:
    struct BenchmarkResult {
        int frames = 0; // timed frames
        double medianMS = 0;
        double p95MS = 0;
        double worstMS = 0;
        double cpuMedianMS = 0;
        // Of the last timed frame.
        std::int64_t drawCalls = 0;
        std::int64_t triangles = 0;
        std::int64_t structures = 0;

        bool operator==(const BenchmarkResult&) const = default;
    };

    struct PickBenchmark {
        double medianMS = 0;
        std::int64_t structures = 0;
        std::int64_t triangles = 0;
        std::optional<std::int64_t> hit;
    };

    // Media time in seconds; camera moves are timed by it.
    using Clock = std::function<double()>;
    // Names the current OpenGL context (any value unique among the live contexts).
    using ContextKey = std::function<std::uintptr_t()>;

    // Throws RendererError: noDevice without a current OpenGL 4.5 core context,
    // shaderSourceMissing, shaderCompilation, pipeline or buffer. The scene must be
    // the one of this pack (std::invalid_argument otherwise).
    AnatomyRenderer(std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene);
    // The same with the shader source read from `shaderFile` instead of the resources.
    AnatomyRenderer(std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene,
        const std::filesystem::path& shaderFile);
    // Waits until the GPU has finished every frame in flight, then releases everything of
    // the current context and the shared objects. Vertex arrays and framebuffers of other
    // contexts are left to go with their contexts.
    ~AnatomyRenderer();
    AnatomyRenderer(const AnatomyRenderer&) = delete;
    AnatomyRenderer& operator=(const AnatomyRenderer&) = delete;

    // The GPU, as the driver names it.
    const std::string& device() const { return device_; }
    const std::shared_ptr<AnatomyScene>& scene() const { return scene_; }

    const OrbitCamera& camera() const { return camera_; }
    OrbitCamera& camera() { return camera_; }
    // A camera restored from a damaged view state (non-finite values, no distance, no
    // field of view) is repaired here instead of drawing blank frames. A camera move
    // still running ends here, so it cannot carry the camera away again.
    void setCamera(const OrbitCamera& camera)
    {
        cameraAnimation_.reset();
        camera_ = camera.sanitized();
    }

    bool isDarkBackground() const { return isDarkBackground_; }
    void setDarkBackground(bool dark) { isDarkBackground_ = dark; }
    BackgroundPalette backgroundPalette() const { return backgroundPalette_; }
    void setBackgroundPalette(BackgroundPalette palette) { backgroundPalette_ = palette; }
    RenderQuality quality() const { return quality_; }
    // A different quality rebuilds the scene programs first and swaps them in only when
    // all were built; the targets follow on the next frame.
    void setQuality(RenderQuality quality);
    float ambientOcclusionIntensity() const { return ambientOcclusionIntensity_; }
    void setAmbientOcclusionIntensity(float intensity) { ambientOcclusionIntensity_ = intensity; }
    // A fraction of the pack's radius.
    float ambientOcclusionRadius() const { return ambientOcclusionRadius_; }
    void setAmbientOcclusionRadius(float radius) { ambientOcclusionRadius_ = radius; }
    float exposure() const { return exposure_; }
    void setExposure(float exposure) { exposure_ = exposure; }
    std::uint32_t debugView() const { return debugView_; }
    void setDebugView(std::uint32_t view) { debugView_ = view; }
    const RenderStats& stats() const { return stats_; }
    void setStats(const RenderStats& stats) { stats_ = stats; }
    // Called at the end of every drawn frame, on the drawing thread.
    void setOnStats(std::function<void(const RenderStats&)> onStats) { onStats_ = std::move(onStats); }
    void setClock(Clock clock);
    // Lets the renderer draw and pick in several contexts of one share group: what GL
    // does not share (vertex arrays, framebuffers and the targets they hold) is made
    // lazily per context, found by the key of the current one. Without a key (the
    // default, and after an empty function) every call counts as one context, key 0.
    void setContextKey(ContextKey key);
    // Deletes what was made for the current context; call it before that context goes.
    void releaseContextObjects();

    std::int64_t framesRendered() const { return framesRendered_; }
    std::int64_t lastPickStructureCount() const { return lastPickStructureCount_; }
    std::int64_t lastPickTriangles() const { return lastPickTriangles_; }
    double lastPickMilliseconds() const { return lastPickMilliseconds_; }
    // Sample count of the current scene targets (the quality's, clamped to what the GPU
    // offers); 0 before the first frame and after a size or quality change.
    int sceneSampleCount() const;

    // The drawable changed size: the targets are rebuilt on the next frame.
    void drawableSizeChanged();
    // Draws a frame into `framebuffer` (the viewer's, 0 for a window's own) of width ×
    // height pixels. Nothing happens below 2 × 2 pixels or when the targets cannot be made.
    void draw(unsigned framebuffer, int width, int height);

    void frameStructures(std::span<const std::int64_t> indices, float aspect, bool animated);
    void frameAll(float aspect, bool animated);
    void apply(CameraPreset preset, bool animated);
    bool isAnimating() const { return cameraAnimation_.has_value(); }

    // The structure under a pixel (origin top left, y down) of a drawable of the given
    // size, searched within `tolerance` pixels, and within 16 when that finds nothing.
    std::optional<std::int64_t> pick(float2 pixel, float2 drawableSize, int tolerance);
    // The current view at any size; none below 2 × 2 pixels or when the GPU cannot hold it.
    std::optional<RenderedImage> renderImage(int width, int height);
    // Renders frames + 1 offscreen frames (the first untimed) while turning the camera.
    BenchmarkResult benchmark(int width, int height, int frames);
    PickBenchmark benchmarkPick(float2 pixel, float2 drawableSize, int repetitions);

private:
    struct CameraAnimation {
        OrbitCamera from;
        OrbitCamera to;
        double start = 0;
        double duration = 0;
    };

    struct OffscreenTiming {
        double cpuMS = 0;
        double gpuMS = 0;
    };

    struct GPU; // every GL object, kept out of this header

    void buildBuffers();
    ContextObjects& contextObjects();
    const RenderTargets* ensureTargets(ContextObjects& objects, int width, int height);
    void advanceCameraAnimation();
    void animate(const OrbitCamera& to, double duration);
    // Animated over the usual camera move, or at once.
    void moveCamera(const OrbitCamera& to, bool animated);
    void fillUniforms(RenderUniforms& uniforms, float2 viewSize) const;
    void fillBackground(void* colors) const;
    // Plans the frame: structure records, uniforms and background colours into the slot.
    void prepareFrame(const FrameSlot& slot, float2 viewSize);
    // Every pass of the planned frame, composited into the destination; the draw calls.
    std::int64_t encodeFrame(const ContextObjects& objects, const RenderTargets& targets,
        const FrameSlot& slot, const CompositeDestination& destination, std::string_view label);
    std::int64_t encodeScene(const ContextObjects& objects, const RenderTargets& targets,
        const FrameSlot& slot, const AnatomyScene::DrawPlan& plan);
    void encodeAmbientOcclusion(const RenderPasses& passes, const RenderTargets& targets, unsigned uniforms);
    std::optional<OffscreenTiming> renderOffscreen(int width, int height, const ColorTarget& into);
    std::optional<ColorTarget> imageTarget(int width, int height) const;
    std::optional<std::int64_t> pickOnce(float2 pixel, float2 drawableSize, int tolerance);
    bool preparePickTarget(int width, int height);
    void drawPickPass(float2 pixel, float2 drawableSize, int tolerance, const PickSquare& square);
    std::span<StructureProps> propsSpan(void* records) const;
    double now() const { return clock_(); }

    std::shared_ptr<const MeshPack> pack_;
    std::shared_ptr<AnatomyScene> scene_;
    std::string device_;
    std::unique_ptr<GPU> gpu_;
    std::int64_t frameIndex_ = 0;
    static constexpr int maxInFlight = 3;

    OrbitCamera camera_;
    std::optional<CameraAnimation> cameraAnimation_;
    bool isDarkBackground_ = true;
    BackgroundPalette backgroundPalette_ = BackgroundPalette::neutro;
    RenderQuality quality_ = RenderQuality::standard;
    float ambientOcclusionIntensity_ = 1.8f;
    float ambientOcclusionRadius_ = 0.06f;
    float exposure_ = 1.04f;
    std::uint32_t debugView_ = 0;
    RenderStats stats_;
    std::function<void(const RenderStats&)> onStats_;
    std::int64_t framesRendered_ = 0;
    std::int64_t lastPickStructureCount_ = 0;
    std::int64_t lastPickTriangles_ = 0;
    double lastPickMilliseconds_ = 0;
    Clock clock_;
    ContextKey contextKey_;
    double lastFrameTime_ = 0;
    double smoothedFrameTime_ = 1.0 / 60.0;
    // Reused by every frame and pick, so steady frames allocate nothing.
    AnatomyScene::DrawPlan plan_;
    std::vector<std::uint32_t> pickTexels_;
};

} // namespace morvena
