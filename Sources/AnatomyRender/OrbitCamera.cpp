#include "AnatomyRender/OrbitCamera.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace morvena {

namespace {

// Single-precision angles one step below π and π/2, so that the presets and the yaw
// wrap land inside the same closed range.
constexpr float almostPi = 3.1415925f;
constexpr float almostHalfPi = 1.5707963f;
constexpr float fullTurn = 6.283185f;
constexpr float orbitRadiansPerPoint = 0.008f;

struct PresetInfo {
    std::string_view raw;
    std::string_view italian;
    std::string_view label;
    float yaw;
    float pitch;
};

constexpr std::array<PresetInfo, 6> presetTable {{
    {"anterior", "Anteriore", "A", 0, 0},
    {"posterior", "Posteriore", "P", almostPi, 0},
    {"left", "Laterale sinistra", "SX", almostHalfPi, 0},
    {"right", "Laterale destra", "DX", -almostHalfPi, 0},
    {"superior", "Superiore", "S", 0, OrbitCamera::pitchLimit},
    {"inferior", "Inferiore", "I", 0, -OrbitCamera::pitchLimit},
}};

constexpr std::array<CameraPreset, 6> presets {CameraPreset::anterior, CameraPreset::posterior,
    CameraPreset::left, CameraPreset::right, CameraPreset::superior, CameraPreset::inferior};

const PresetInfo& info(CameraPreset preset)
{
    return presetTable[static_cast<std::size_t>(preset)];
}

Float3 directionFor(float yaw, float pitch)
{
    float cosPitch = std::cos(pitch);
    return {cosPitch * std::sin(yaw), std::sin(pitch), cosPitch * std::cos(yaw)};
}

// One correction of a full turn at most, as the gestures and the animation expect.
float wrapOnce(float angle)
{
    if (angle > almostPi)
        return angle - fullTurn;
    if (angle < -almostPi)
        return angle + fullTurn;
    return angle;
}

} // namespace

Float3 OrbitCamera::direction() const
{
    return directionFor(yaw, pitch);
}

Float3 OrbitCamera::position() const
{
    return target + direction() * distance;
}

float OrbitCamera::near() const
{
    return std::max(0.002f * distance, 0.5f);
}

float OrbitCamera::far() const
{
    return distance + 4 * sceneRadius + 1;
}

float4x4 OrbitCamera::viewMatrix() const
{
    return lookAt(position(), target, {0, 1, 0});
}

float4x4 OrbitCamera::projectionMatrix(float aspect) const
{
    return perspective(fovY, std::max(aspect, 0.01f), near(), far());
}

float4x4 OrbitCamera::viewProjection(float aspect) const
{
    return projectionMatrix(aspect) * viewMatrix();
}

void OrbitCamera::frame(Float3 boundsMin, Float3 boundsMax, float aspect, float padding)
{
    target = (boundsMin + boundsMax) / 2;
    Float3 forward = -direction();
    Float3 up = std::abs(forward.y) > 0.995f ? Float3 {0, 0, 1} : Float3 {0, 1, 0};
    Float3 right = normalize(cross(forward, up));
    Float3 camUp = cross(right, forward);

    float h = 0, v = 0, e = 0;
    for (int corner = 0; corner < 8; ++corner) {
        Float3 q {corner & 1 ? boundsMax.x : boundsMin.x, corner & 2 ? boundsMax.y : boundsMin.y,
            corner & 4 ? boundsMax.z : boundsMin.z};
        q -= target;
        h = std::max(h, std::abs(dot(right, q)));
        v = std::max(v, std::abs(dot(camUp, q)));
        e = std::max(e, std::abs(dot(forward, q)));
    }
    float t = std::tan(fovY / 2);
    float tx = aspect > 0.2f ? t * aspect : t * 0.2f;
    float fit = std::max(v / std::max(t, 0.01f), h / std::max(tx, 0.01f));
    distance = std::max(e + padding * fit, 0.01f * sceneRadius);
    sanitize();
}

void OrbitCamera::apply(Preset preset)
{
    yaw = info(preset).yaw;
    pitch = info(preset).pitch;
}

void OrbitCamera::orbit(float deltaX, float deltaY)
{
    yaw = wrapOnce(yaw - deltaX * orbitRadiansPerPoint);
    pitch = std::clamp(pitch + deltaY * orbitRadiansPerPoint, -pitchLimit, pitchLimit);
    sanitize();
}

void OrbitCamera::pan(float deltaX, float deltaY, float viewportHeight)
{
    float units = 2 * distance * std::tan(fovY / 2) / std::max(viewportHeight, 1.f);
    float4x4 view = viewMatrix();
    Float3 right = view.row(0).xyz();
    Float3 up = view.row(1).xyz();
    target += (-right * deltaX + up * deltaY) * units;
    sanitize();
}

void OrbitCamera::zoom(float factor)
{
    distance = std::max(std::min(distance * factor, 12 * sceneRadius), 0.01f * sceneRadius);
    sanitize();
}

void OrbitCamera::sanitize()
{
    const OrbitCamera defaults;
    if (!std::isfinite(sceneRadius) || sceneRadius <= 0)
        sceneRadius = defaults.sceneRadius;
    if (!std::isfinite(fovY) || fovY <= 0 || fovY >= almostPi)
        fovY = defaults.fovY;
    for (float* component : {&target.x, &target.y, &target.z})
        if (!std::isfinite(*component))
            *component = 0;
    // Without a usable distance the camera keeps the zoom range: the default where
    // nothing is known, the nearest or farthest allowed distance otherwise.
    if (std::isnan(distance))
        distance = std::clamp(defaults.distance, 0.01f * sceneRadius, 12 * sceneRadius);
    else if (distance <= 0)
        distance = 0.01f * sceneRadius;
    else if (std::isinf(distance))
        distance = 12 * sceneRadius;
    if (!std::isfinite(yaw))
        yaw = 0;
    if (!std::isfinite(pitch))
        pitch = 0;
}

OrbitCamera OrbitCamera::sanitized() const
{
    OrbitCamera copy = *this;
    copy.sanitize();
    return copy;
}

OrbitCamera OrbitCamera::interpolate(const OrbitCamera& a, const OrbitCamera& b, float t)
{
    float s = t * t * (3 - 2 * t);
    OrbitCamera result = b;
    result.target = a.target + (b.target - a.target) * s;
    result.distance = a.distance * std::pow(b.distance / std::max(a.distance, 0.001f), s);
    result.yaw = a.yaw + s * wrapOnce(b.yaw - a.yaw);
    result.pitch = a.pitch + s * (b.pitch - a.pitch);
    result.sanitize();
    return result;
}

OrbitCamera::Preset OrbitCamera::nearestPreset() const
{
    Float3 current = direction();
    Preset best = presets.front();
    float bestDot = -2;
    for (Preset preset : presets) {
        float d = dot(current, directionFor(info(preset).yaw, info(preset).pitch));
        if (d > bestDot) {
            bestDot = d;
            best = preset;
        }
    }
    return best;
}

OrbitCamera::Ray OrbitCamera::ray(float2 viewPoint, float2 viewSize) const
{
    float aspect = viewSize.x / std::max(viewSize.y, 1.f);
    float t = std::tan(fovY / 2);
    float x = aspect * t * (2 * viewPoint.x / std::max(viewSize.x, 1.f) - 1);
    float y = t * (1 - 2 * viewPoint.y / std::max(viewSize.y, 1.f));
    float4x4 view = viewMatrix();
    Float3 right = view.row(0).xyz();
    Float3 up = view.row(1).xyz();
    Float3 forward = -view.row(2).xyz();
    return {position(), normalize(right * x + up * y + forward)};
}

std::optional<Float3> OrbitCamera::project(Float3 point, float2 viewSize) const
{
    float4 clip = viewProjection(viewSize.x / std::max(viewSize.y, 1.f)) * float4(point, 1);
    if (clip.w <= 0)
        return std::nullopt;
    float4 ndc = clip / clip.w;
    return Float3 {viewSize.x * (ndc.x * 0.5f + 0.5f), viewSize.y * (1 - (ndc.y * 0.5f + 0.5f)), ndc.z};
}

float4x4 OrbitCamera::lookAt(Float3 eye, Float3 center, Float3 up)
{
    Float3 f = normalize(center - eye);
    if (std::abs(dot(up, f)) > 0.9995f)
        up = {0, 0, 1};
    Float3 s = normalize(cross(f, up));
    Float3 u = cross(s, f);
    return float4x4::fromColumns({s.x, u.x, -f.x, 0}, {s.y, u.y, -f.y, 0}, {s.z, u.z, -f.z, 0},
        {-dot(s, eye), -dot(u, eye), dot(f, eye), 1});
}

float4x4 OrbitCamera::perspective(float fovY, float aspect, float near, float far)
{
    float y = 1 / std::tan(fovY / 2);
    float x = y / aspect;
    return float4x4::fromColumns(
        {x, 0, 0, 0}, {0, y, 0, 0}, {0, 0, far / (near - far), -1}, {0, 0, near * far / (near - far), 0});
}

std::optional<CameraPreset> cameraPreset(std::string_view raw)
{
    for (CameraPreset preset : presets)
        if (info(preset).raw == raw)
            return preset;
    return std::nullopt;
}

std::string_view rawValue(CameraPreset preset)
{
    return info(preset).raw;
}
std::string_view italianName(CameraPreset preset)
{
    return info(preset).italian;
}
std::string_view shortLabel(CameraPreset preset)
{
    return info(preset).label;
}
std::span<const CameraPreset> allCameraPresets()
{
    return presets;
}

} // namespace morvena
