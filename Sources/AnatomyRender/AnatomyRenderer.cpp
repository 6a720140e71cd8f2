#include "AnatomyRender/AnatomyRenderer.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/ResourceLocator.h"
#include "AnatomyRender/GL/ContextObjects.h"
#include "AnatomyRender/GL/GLCurrentContext.h"
#include "AnatomyRender/GL/GLLimits.h"
#include "AnatomyRender/GL/GpuBuffers.h"
#include "AnatomyRender/GL/RenderPasses.h"
#include "AnatomyRender/GL/RenderPipelines.h"
#include "AnatomyRender/GL/RenderTargets.h"
#include "AnatomyRender/GL/RenderUniforms.h"
#include "AnatomyRender/GL/ShaderLibrary.h"
#include "AnatomyRender/GL/ShaderSource.h"
#include "AnatomyRender/Internal/PickWindow.h"
#include "AnatomyRender/Internal/ToneCurve.h"
#include "AnatomyRender/RendererError.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>

namespace morvena {

namespace {

// Camera moves that are not gestures (presets, framing) take this long.
constexpr double cameraMoveSeconds = 0.42;
constexpr float wholeBodyPadding = 1.04f;
constexpr float selectionPadding = 1.45f;
// A first look at the body: 20 degrees to its left, 6 degrees from above.
constexpr float initialYaw = -0.34906584f;
constexpr float initialPitch = 0.10471976f;
constexpr float initialDistanceInRadii = 2.6f;

// A click that finds nothing within a small tolerance is tried once more at this one.
constexpr int retryTolerance = 16;
// What the viewer uses for clicks; the pick benchmark times the same.
constexpr int clickTolerance = 7;
constexpr int largestToleranceWithRetry = 14;
// The pick plan takes structures a little beyond the square, so that one whose
// bounding sphere only grazes it is still drawn.
constexpr int pickPlanMargin = 2;

constexpr float benchmarkYawStep = 0.056f;
constexpr float benchmarkPitchStep = 0.0136f;
constexpr float halfTurn = 3.1415925f;
constexpr float fullTurn = 6.283185f;

constexpr double smoothingWeight = 0.1;

constexpr int bytesPerPixel = 4;

// The lights hang from the camera. Each direction is a share of the camera's right
// and up axes plus its whole back axis; the intensity goes in the w component.
struct CameraLight {
    float right;
    float up;
    float intensity;
};
constexpr CameraLight keyLight {0.42f, 0.52f, 0.74f}; // from the upper right, towards the body
constexpr CameraLight fillLight {-0.65f, -0.12f, 0.24f}; // from the left
constexpr float rimLightUp = 0.35f; // from behind the body, a little above it
constexpr float rimLightIntensity = 0.3f;
// Strengths of the ambient light and of the rim light's sheen, added to the
// ambient sky's and the material's own.
constexpr float ambientStrength = 0.55f;
constexpr float rimStrength = 0.26f;
// Ambient light on the dark background; on the light ones, a share of the
// palette's top and bottom colours.
constexpr float4 darkAmbientSky {0.33f, 0.34f, 0.37f, 0.26f};
constexpr float4 darkAmbientGround {0.17f, 0.18f, 0.21f, 0};
constexpr float paletteSkyShare = 0.56f;
constexpr float paletteSkyIntensity = 0.1f;
constexpr float paletteGroundShare = 0.44f;
// The ambient occlusion's depth range and radius: the near plane a share of the
// camera distance but at least half a millimetre, the radius in pack radii but
// at least 6 mm.
constexpr float occlusionNearShare = 0.002f;
constexpr float occlusionNearest = 0.5f;
constexpr float occlusionSmallestRadius = 6.0f;

float4 cameraLight(const CameraLight& light, Float3 right, Float3 up, Float3 back)
{
    return {normalize(right * light.right + up * light.up + back), light.intensity};
}

// Where the cursor lies inside a width × height drawable; NaN coordinates fail too.
bool isInside(float2 pixel, int width, int height)
{
    return pixel.x >= 0 && pixel.y >= 0 && pixel.x < static_cast<float>(width)
        && pixel.y < static_cast<float>(height);
}

// The side of the square read back around the cursor.
int pickSide(int tolerance)
{
    return 2 * tolerance + 1;
}

// The square around the cursor, pushed inside the target at its edges; a
// drawable smaller than the square keeps only its part inside the target.
PickSquare pickSquare(float2 pixel, int tolerance, int width, int height)
{
    const int side = pickSide(tolerance);
    int x0 = std::max(0, std::min(static_cast<int>(pixel.x) - tolerance, width - side));
    int y0 = std::max(0, std::min(static_cast<int>(pixel.y) - tolerance, height - side));
    return {x0, y0, std::min(side, width - x0), std::min(side, height - y0)};
}

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::uintptr_t defaultContextKey()
{
    return 0;
}

std::size_t propsByteCount(const MeshPack& pack)
{
    return std::max<std::size_t>(pack.structureCount(), 1) * sizeof(StructureProps);
}

gl::Buffer blurDirection(float dx, float dy, std::string_view label)
{
    // A std140 block is at least 16 bytes on some drivers; the shader reads the first 8.
    const std::array<float, 4> direction {dx, dy, 0, 0};
    return constantBuffer(std::as_bytes(std::span(direction)), label);
}

template <typename T> T sortedAt(std::vector<T>& values, std::size_t index)
{
    std::sort(values.begin(), values.end());
    return values[std::min(index, values.size() - 1)];
}

} // namespace

struct AnatomyRenderer::GPU {
    gl::Limits limits;
    ShaderLibrary library;
    RenderPipelines pipelines;
    GeometryBuffers geometry;
    std::vector<FrameSlot> frameSlots;
    FrameSlot pickSlot;
    FrameSlot offscreenSlot;
    gl::Buffer horizontalBlur;
    gl::Buffer verticalBlur;
    // By context key; see setContextKey.
    std::map<std::uintptr_t, ContextObjects> contexts;
    // Raised when every context's targets must be remade (size or quality changed).
    std::uint64_t targetsGeneration = 0;
    MultiDraw opaqueDraws;
    MultiDraw transparentDraws;

    GPU(const ShaderSource& source, const MeshPack& pack)
        : limits(gl::Limits::query())
        , library(source)
        , pipelines(RenderPipelines::build(library))
        , geometry(GeometryBuffers::create(pack))
        , pickSlot(propsByteCount(pack), "selezione")
        , offscreenSlot(propsByteCount(pack), "fuori schermo")
        , horizontalBlur(blurDirection(1, 0, "Direzione sfocatura orizzontale"))
        , verticalBlur(blurDirection(0, 1, "Direzione sfocatura verticale"))
    {
        frameSlots.reserve(maxInFlight);
        for (int i = 0; i < maxInFlight; ++i)
            frameSlots.emplace_back(propsByteCount(pack), std::to_string(i));
    }

    ContextObjects& objects(std::uintptr_t key)
    {
        auto found = contexts.find(key);
        if (found == contexts.end())
            found = contexts.try_emplace(key, geometry).first;
        return found->second;
    }

    static StructureBindings bindings(const ContextObjects& objects, const FrameSlot& slot)
    {
        return {objects.vertexArray.get(), slot.props.name(), slot.uniforms.name()};
    }
};

AnatomyRenderer::AnatomyRenderer(std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene)
    : AnatomyRenderer(
        std::move(pack), std::move(scene), ResourceLocator::resource("AnatomyRender", "Shaders.glsl"))
{
}

AnatomyRenderer::AnatomyRenderer(std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene,
    const std::filesystem::path& shaderFile)
    : pack_(std::move(pack))
    , scene_(std::move(scene))
    , clock_(steadySeconds)
    , contextKey_(defaultContextKey)
{
    if (!pack_ || !scene_ || scene_->pack() != pack_)
        throw std::invalid_argument("AnatomyRenderer: la scena non appartiene al pack");
    if (!gl::CurrentContext::offersGL45())
        throw RendererError::noDevice();
    device_ = gl::CurrentContext::rendererName();
    auto source = ShaderSource::load(shaderFile);
    gpu_ = std::make_unique<GPU>(source, *pack_);

    auto structureBytes = propsByteCount(*pack_);
    auto bytes = pack_->verticesByteCount() + pack_->indicesByteCount() + maxInFlight * structureBytes
        + structureBytes;
    stats_.gpuMemoryMB = static_cast<int>(bytes / 1048576);
    lastFrameTime_ = now();

    camera_.sceneRadius = std::max(1.0f, pack_->radius());
    camera_.target = pack_->center();
    camera_.distance = initialDistanceInRadii * camera_.sceneRadius;
    camera_.yaw = initialYaw;
    camera_.pitch = initialPitch;
    // Other contexts of the share group may draw with the buffers at once: the uploads
    // must have reached the GPU.
    gl::CurrentContext::finish();
}

AnatomyRenderer::~AnatomyRenderer()
{
    // The GPU may still read this renderer's buffers: let every frame in flight finish.
    if (!gpu_)
        return;
    for (auto& slot : gpu_->frameSlots)
        slot.fence.wait();
    auto current = contextKey_();
    for (auto& [key, objects] : gpu_->contexts) {
        if (key != current)
            objects.forgetContainers();
    }
}

void AnatomyRenderer::setContextKey(ContextKey key)
{
    contextKey_ = key ? std::move(key) : ContextKey(defaultContextKey);
}

void AnatomyRenderer::releaseContextObjects()
{
    gpu_->contexts.erase(contextKey_());
}

ContextObjects& AnatomyRenderer::contextObjects()
{
    return gpu_->objects(contextKey_());
}

void AnatomyRenderer::setClock(Clock clock)
{
    clock_ = clock ? std::move(clock) : Clock(steadySeconds);
    lastFrameTime_ = now();
}

void AnatomyRenderer::setQuality(RenderQuality quality)
{
    if (quality == quality_)
        return;
    quality_ = quality;
    ++gpu_->targetsGeneration;
    try {
        auto scene = ScenePipelines::build(gpu_->library);
        gpu_->pipelines.scene = std::move(scene);
    } catch (const RendererError&) {
        // The programs in use do not depend on the sample count: keep drawing with them.
    }
}

int AnatomyRenderer::sceneSampleCount() const
{
    auto found = gpu_->contexts.find(contextKey_());
    if (found == gpu_->contexts.end())
        return 0;
    const auto& objects = found->second;
    bool current = objects.targets && objects.targetsGeneration == gpu_->targetsGeneration;
    return current ? objects.targets->samples : 0;
}

void AnatomyRenderer::drawableSizeChanged()
{
    ++gpu_->targetsGeneration;
}

const RenderTargets* AnatomyRenderer::ensureTargets(ContextObjects& objects, int width, int height)
{
    int samples = gpu_->limits.clampSamples(sampleCount(quality_));
    auto& targets = objects.targets;
    if (targets && objects.targetsGeneration == gpu_->targetsGeneration && targets->width == width
        && targets->height == height && targets->samples == samples)
        return &*targets;
    // The old targets go first, so two sets never need GPU memory at once.
    targets.reset();
    targets = RenderTargets::create(gpu_->limits, width, height, samples, ambientOcclusionDivisor(quality_));
    objects.targetsGeneration = gpu_->targetsGeneration;
    return targets ? &*targets : nullptr;
}

std::optional<ColorTarget> AnatomyRenderer::imageTarget(int width, int height) const
{
    return ColorTarget::create(gpu_->limits, width, height, GL_RGBA8, false, "Immagine");
}

std::span<StructureProps> AnatomyRenderer::propsSpan(void* records) const
{
    return {static_cast<StructureProps*>(records), std::max<std::size_t>(pack_->structureCount(), 1)};
}

void AnatomyRenderer::draw(unsigned framebuffer, int width, int height)
{
    if (width < 2 || height < 2)
        return;
    auto& objects = contextObjects();
    const auto* targets = ensureTargets(objects, width, height);
    if (!targets)
        return;
    auto& slot = gpu_->frameSlots[static_cast<std::size_t>(frameIndex_ % maxInFlight)];
    // The slot's buffers are rewritten below: the frame that used them last must be done.
    slot.fence.wait();
    advanceCameraAnimation();
    ++frameIndex_;

    prepareFrame(slot, {static_cast<float>(width), static_cast<float>(height)});
    auto drawCalls
        = encodeFrame(objects, *targets, slot, {framebuffer, width, height, true}, "Frame anatomico");
    slot.fence = gl::CurrentContext::submitFrame(framebuffer);

    double time = now();
    double frameTime = time - lastFrameTime_;
    lastFrameTime_ = time;
    smoothedFrameTime_ = smoothingWeight * frameTime + (1 - smoothingWeight) * smoothedFrameTime_;
    stats_.frameTimeMS = smoothedFrameTime_ * 1000;
    stats_.fps = smoothedFrameTime_ > 0 ? 1 / smoothedFrameTime_ : 0;
    stats_.drawCalls = static_cast<int>(drawCalls);
    stats_.triangles = static_cast<int>(plan_.triangles);
    stats_.visibleStructures = static_cast<int>(plan_.visibleStructures);
    stats_.culledStructures = static_cast<int>(plan_.culled);
    ++framesRendered_;
    if (onStats_)
        onStats_(stats_);
}

void AnatomyRenderer::advanceCameraAnimation()
{
    if (!cameraAnimation_)
        return;
    const auto& animation = *cameraAnimation_;
    double t = animation.duration > 0 ? (now() - animation.start) / animation.duration : 1;
    if (t >= 1) {
        camera_ = animation.to;
        cameraAnimation_.reset();
        return;
    }
    camera_ = OrbitCamera::interpolate(animation.from, animation.to, static_cast<float>(std::max(t, 0.0)));
}

void AnatomyRenderer::animate(const OrbitCamera& to, double duration)
{
    cameraAnimation_ = CameraAnimation {camera_, to, now(), duration};
}

void AnatomyRenderer::frameStructures(std::span<const std::int64_t> indices, float aspect, bool animated)
{
    // Each structure's box where it is drawn: with the body exploded, the boxes of a
    // multiple selection move apart, and one common offset would frame empty space.
    auto box = scene_->displacedBounds(indices);
    if (!box)
        return;
    auto framed = camera_;
    framed.frame(box->min, box->max, aspect, selectionPadding);
    moveCamera(framed, animated);
}

void AnatomyRenderer::moveCamera(const OrbitCamera& to, bool animated)
{
    if (animated) {
        animate(to, cameraMoveSeconds);
    } else {
        cameraAnimation_.reset();
        camera_ = to;
    }
}

void AnatomyRenderer::frameAll(float aspect, bool animated)
{
    auto framed = camera_;
    framed.frame(pack_->boundsMin(), pack_->boundsMax(), aspect, wholeBodyPadding);
    moveCamera(framed, animated);
}

void AnatomyRenderer::apply(CameraPreset preset, bool animated)
{
    auto turned = camera_;
    turned.apply(preset);
    if (animated) {
        animate(turned, cameraMoveSeconds);
    } else {
        cameraAnimation_.reset();
        camera_.yaw = turned.yaw;
        camera_.pitch = turned.pitch;
    }
}

void AnatomyRenderer::fillUniforms(RenderUniforms& uniforms, float2 viewSize) const
{
    float w = viewSize.x;
    float h = viewSize.y;
    float aspect = w / std::max(h, 1.0f);
    auto eye = camera_.position();
    uniforms = RenderUniforms();
    uniforms.projection = camera_.projectionMatrix(aspect);
    uniforms.view = OrbitCamera::lookAt(eye, camera_.target, {0, 1, 0});
    uniforms.viewProjection = uniforms.projection * uniforms.view;
    uniforms.inverseProjection = inverse(uniforms.projection);
    uniforms.cameraPosition = {eye, 1};
    uniforms.bodyCenter = {pack_->center(), 1};
    if (scene_->clip) {
        uniforms.clipPlane0 = scene_->clip->packed();
        uniforms.clipCount = 1;
    }
    auto right = uniforms.view.row(0).xyz();
    auto up = uniforms.view.row(1).xyz();
    auto back = uniforms.view.row(2).xyz();
    uniforms.keyLightDirection = cameraLight(keyLight, right, up, back);
    uniforms.fillLightDirection = cameraLight(fillLight, right, up, back);
    uniforms.rimLightDirection = {normalize(up * rimLightUp - back), rimLightIntensity};
    uniforms.params = {scene_->explode, scene_->ghostAlpha, ambientStrength, rimStrength};
    uniforms.screen = {w, h, 1 / std::max(w, 1.0f), 1 / std::max(h, 1.0f)};
    float occlusion = hasAmbientOcclusion(quality_) ? ambientOcclusionIntensity_ : 0;
    uniforms.depthParams = {std::max(occlusionNearest, occlusionNearShare * camera_.distance),
        camera_.distance + 4 * camera_.sceneRadius + 1,
        std::max(occlusionSmallestRadius, pack_->radius() * ambientOcclusionRadius_), occlusion};
    if (isDarkBackground_) {
        uniforms.ambientSky = darkAmbientSky;
        uniforms.ambientGround = darkAmbientGround;
    } else {
        auto palette = colors(backgroundPalette_);
        uniforms.ambientSky = {palette[0] * paletteSkyShare, paletteSkyIntensity};
        uniforms.ambientGround = {palette[1] * paletteGroundShare, 0};
    }
    uniforms.flags = debugView_;
    uniforms.exposure = exposure_;
    uniforms.time = static_cast<float>(std::fmod(now(), 1000.0));
}

void AnatomyRenderer::fillBackground(void* colors) const
{
    // Passed through the inverse tone curve, so the screen shows the palette itself.
    auto screenColors = isDarkBackground_ ? darkBackgroundColors() : morvena::colors(backgroundPalette_);
    std::array<float4, 2> values;
    for (std::size_t i = 0; i < 2; ++i) {
        auto c = screenColors[i];
        values[i] = {ToneCurve::inverse(c.x, exposure_), ToneCurve::inverse(c.y, exposure_),
            ToneCurve::inverse(c.z, exposure_), 1};
    }
    std::memcpy(colors, values.data(), sizeof values);
}

void AnatomyRenderer::prepareFrame(const FrameSlot& slot, float2 viewSize)
{
    scene_->buildFrame(camera_, viewSize, propsSpan(slot.props.data()), plan_);
    RenderUniforms uniforms;
    fillUniforms(uniforms, viewSize);
    std::memcpy(slot.uniforms.data(), &uniforms, sizeof uniforms);
    fillBackground(slot.background.data());
}

std::int64_t AnatomyRenderer::encodeFrame(const ContextObjects& objects, const RenderTargets& targets,
    const FrameSlot& slot, const CompositeDestination& destination, std::string_view label)
{
    RenderPasses::beginFrame();
    std::int64_t drawCalls = 0;
    {
        gl::DebugGroup group(label);
        drawCalls = encodeScene(objects, targets, slot, plan_);
        encodeAmbientOcclusion(objects.passes, targets, slot.uniforms.name());
        objects.passes.composite(targets, gpu_->pipelines.composite.get(), slot.uniforms.name(),
            hasAmbientOcclusion(quality_), destination);
    }
    RenderPasses::endFrame();
    return drawCalls;
}

std::int64_t AnatomyRenderer::encodeScene(const ContextObjects& objects, const RenderTargets& targets,
    const FrameSlot& slot, const AnatomyScene::DrawPlan& plan)
{
    auto& gpu = *gpu_;
    auto bindings = GPU::bindings(objects, slot);
    gpu.opaqueDraws.assign(plan.opaque, gpu.geometry.indexCount);
    gpu.transparentDraws.assign(plan.transparent, gpu.geometry.indexCount);
    objects.passes.background(targets, gpu.pipelines.scene.background.get(), slot.background.name());
    RenderPasses::opaque(targets, gpu.pipelines.scene.opaque.get(), bindings, gpu.opaqueDraws);
    RenderPasses::transparent(targets, gpu.pipelines.scene.transparent.get(), bindings, gpu.transparentDraws);
    objects.passes.resolve(targets, gpu.pipelines.depthResolve.get());
    // Counted as the ranges the plan asked for, plus the background.
    return static_cast<std::int64_t>(plan.opaque.size() + plan.transparent.size()) + 1;
}

void AnatomyRenderer::encodeAmbientOcclusion(
    const RenderPasses& passes, const RenderTargets& targets, unsigned uniforms)
{
    if (!hasAmbientOcclusion(quality_))
        return;
    auto& gpu = *gpu_;
    passes.ambientOcclusion(targets, gpu.pipelines.ssao.get(), uniforms);
    passes.blur(targets, gpu.pipelines.ssaoBlur.get(), uniforms, gpu.horizontalBlur.get(), false);
    passes.blur(targets, gpu.pipelines.ssaoBlur.get(), uniforms, gpu.verticalBlur.get(), true);
}

std::optional<AnatomyRenderer::OffscreenTiming> AnatomyRenderer::renderOffscreen(
    int width, int height, const ColorTarget& into)
{
    auto& objects = contextObjects();
    const auto* targets = ensureTargets(objects, width, height);
    if (!targets)
        return std::nullopt;
    // Offscreen renders wait for the GPU before returning, so one slot of their own
    // serves them all without touching the frames in flight.
    auto& slot = gpu_->offscreenSlot;
    double t0 = now();
    prepareFrame(slot, {static_cast<float>(width), static_cast<float>(height)});
    double cpuMS = (now() - t0) * 1000;

    double g0 = now();
    encodeFrame(objects, *targets, slot, {into.framebuffer.get(), into.width, into.height, false},
        "Frame fuori schermo");
    gl::CurrentContext::finish();
    return OffscreenTiming {cpuMS, (now() - g0) * 1000};
}

std::optional<RenderedImage> AnatomyRenderer::renderImage(int width, int height)
{
    if (width < 2 || height < 2)
        return std::nullopt;
    auto target = imageTarget(width, height);
    if (!target)
        return std::nullopt;
    RenderedImage image;
    image.width = width;
    image.height = height;
    try {
        image.pixels.resize(
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    gl::clearErrors();
    if (!renderOffscreen(width, height, *target))
        return std::nullopt;
    RenderPasses::readImage(*target, image.pixels);
    // Out of memory part-way leaves an image that was never drawn: no image instead.
    if (gl::allocationFailed())
        return std::nullopt;
    return image;
}

AnatomyRenderer::BenchmarkResult AnatomyRenderer::benchmark(int width, int height, int frames)
{
    BenchmarkResult result;
    auto target = imageTarget(std::max(width, 1), std::max(height, 1));
    if (!target)
        return result;
    std::vector<double> gpuTimes;
    std::vector<double> cpuTimes;
    gpuTimes.reserve(static_cast<std::size_t>(std::max(frames, 0)));
    cpuTimes.reserve(gpuTimes.capacity());
    // Render 0 warms caches and is not timed; fewer than one frame times nothing.
    for (int i = 0; i <= std::max(frames, 0); ++i) {
        camera_.yaw -= benchmarkYawStep;
        camera_.pitch = std::clamp(
            camera_.pitch + benchmarkPitchStep, -OrbitCamera::pitchLimit, OrbitCamera::pitchLimit);
        if (camera_.yaw > halfTurn)
            camera_.yaw -= fullTurn;
        else if (camera_.yaw < -halfTurn)
            camera_.yaw += fullTurn;
        auto timing = renderOffscreen(width, height, *target);
        if (!timing)
            break;
        if (i == 0)
            continue;
        gpuTimes.push_back(timing->gpuMS);
        cpuTimes.push_back(timing->cpuMS);
        result.drawCalls = static_cast<std::int64_t>(plan_.opaque.size() + plan_.transparent.size()) + 1;
        result.triangles = plan_.triangles;
        result.structures = plan_.visibleStructures;
    }
    auto n = gpuTimes.size();
    if (n == 0)
        return BenchmarkResult();
    result.frames = static_cast<int>(n);
    result.medianMS = sortedAt(gpuTimes, n / 2);
    result.p95MS = sortedAt(gpuTimes, static_cast<std::size_t>(0.95 * static_cast<double>(n)));
    result.worstMS = sortedAt(gpuTimes, n - 1);
    result.cpuMedianMS = sortedAt(cpuTimes, n / 2);
    return result;
}

std::optional<std::int64_t> AnatomyRenderer::pick(float2 pixel, float2 drawableSize, int tolerance)
{
    auto hit = pickOnce(pixel, drawableSize, tolerance);
    if (!hit && tolerance <= largestToleranceWithRetry)
        hit = pickOnce(pixel, drawableSize, retryTolerance);
    return hit;
}

std::optional<std::int64_t> AnatomyRenderer::pickOnce(float2 pixel, float2 drawableSize, int tolerance)
{
    int width = static_cast<int>(drawableSize.x);
    int height = static_cast<int>(drawableSize.y);
    if (width < 2 || height < 2 || !isInside(pixel, width, height) || !preparePickTarget(width, height))
        return std::nullopt;
    tolerance = std::clamp(tolerance, 0, retryTolerance * 64);
    const auto square = pickSquare(pixel, tolerance, width, height);
    drawPickPass(pixel, drawableSize, tolerance, square);
    // At an edge the square is pushed inside the target, and the rings stay on the
    // cursor so that a structure under it is not passed over for one up to
    // 2 × tolerance away.
    const PickWindow window {pickTexels_, pickSide(tolerance), square.width, square.height};
    auto structure = window.nearestStructure(
        static_cast<int>(pixel.x) - square.x, static_cast<int>(pixel.y) - square.y, tolerance);
    if (!structure)
        return std::nullopt;
    return static_cast<std::int64_t>(*structure);
}

bool AnatomyRenderer::preparePickTarget(int width, int height)
{
    auto& pickTarget = contextObjects().pickTarget;
    if (pickTarget && pickTarget->width == width && pickTarget->height == height)
        return true;
    pickTarget.reset();
    pickTarget = ColorTarget::create(gpu_->limits, width, height, GL_R32UI, true, "Buffer identificativi");
    return pickTarget.has_value();
}

void AnatomyRenderer::drawPickPass(float2 pixel, float2 drawableSize, int tolerance, const PickSquare& square)
{
    auto& gpu = *gpu_;
    auto& slot = gpu.pickSlot;
    plan_ = scene_->buildPickFrame(camera_, drawableSize, pixel,
        static_cast<float>(tolerance + pickPlanMargin), propsSpan(slot.props.data()));
    lastPickStructureCount_ = plan_.visibleStructures;
    lastPickTriangles_ = plan_.triangles;
    RenderUniforms uniforms;
    fillUniforms(uniforms, drawableSize);
    std::memcpy(slot.uniforms.data(), &uniforms, sizeof uniforms);
    gpu.opaqueDraws.assign(plan_.opaque, gpu.geometry.indexCount);
    const int side = pickSide(tolerance);
    pickTexels_.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);

    const auto& objects = contextObjects();
    double start = now();
    RenderPasses::beginFrame();
    RenderPasses::pick(*objects.pickTarget, gpu.pipelines.pick.get(), GPU::bindings(objects, slot),
        gpu.opaqueDraws, square, pickTexels_, side);
    RenderPasses::endFrame();
    lastPickMilliseconds_ = (now() - start) * 1000;
}

AnatomyRenderer::PickBenchmark AnatomyRenderer::benchmarkPick(
    float2 pixel, float2 drawableSize, int repetitions)
{
    PickBenchmark result;
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(std::max(repetitions, 0)));
    for (int i = 0; i < repetitions; ++i) {
        double start = now();
        auto hit = pickOnce(pixel, drawableSize, clickTolerance);
        if (!hit)
            hit = pickOnce(pixel, drawableSize, retryTolerance);
        times.push_back((now() - start) * 1000);
        result.hit = hit;
    }
    if (!times.empty())
        result.medianMS = sortedAt(times, times.size() / 2);
    result.structures = lastPickStructureCount_;
    result.triangles = lastPickTriangles_;
    return result;
}

} // namespace morvena
