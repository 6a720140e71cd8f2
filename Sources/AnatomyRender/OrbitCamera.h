#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/Math/Float4x4.h"

#include <optional>
#include <span>
#include <string_view>

namespace morvena {

// The camera: it orbits `target` at `distance`, placed by two angles. Yaw 0 and
// pitch 0 look from +z towards −z with +y up. Matrices are column-major for column
// vectors and map depth to 0 at the near plane and 1 at the far plane.
struct OrbitCamera {
    // The six anatomical views, in menu order.
    enum class Preset { anterior, posterior, left, right, superior, inferior };

    struct Ray {
        Float3 origin;
        Float3 direction;
    };

    // 89.5 degrees: the poles themselves would make the view's up vector undefined.
    static constexpr float pitchLimit = 1.5620695f;

    Float3 target {};
    float distance = 2000;
    float yaw = 0;
    float pitch = 0;
    float fovY = 0.6632251f; // 38 degrees
    float sceneRadius = 1000;

    bool operator==(const OrbitCamera&) const = default;

    // Unit vector from the target to the eye.
    Float3 direction() const;
    Float3 position() const;
    float near() const;
    float far() const;
    float4x4 viewMatrix() const;
    float4x4 projectionMatrix(float aspect) const;
    // projectionMatrix(aspect) × viewMatrix().
    float4x4 viewProjection(float aspect) const;

    // Fits the box into view, keeping the angles, the field of view and the radius.
    void frame(Float3 boundsMin, Float3 boundsMax, float aspect, float padding);
    void apply(Preset preset);
    // Gesture steps in points of pointer travel (orbit, pan) or a zoom factor.
    void orbit(float deltaX, float deltaY);
    void pan(float deltaX, float deltaY, float viewportHeight);
    void zoom(float factor);

    // Replaces values that would give non-finite or degenerate matrices (non-finite
    // numbers, a distance or radius of 0 or less, a field of view outside (0, π)).
    // Cameras restored from stored view states pass through here before use.
    void sanitize();
    OrbitCamera sanitized() const;

    // Smoothstep-eased camera between a and b for t in [0, 1]; the yaw turns the shorter way.
    static OrbitCamera interpolate(const OrbitCamera& a, const OrbitCamera& b, float t);

    // The preset whose view direction is closest to the current one; ties go to the earlier preset.
    Preset nearestPreset() const;

    // View points are in the units of viewSize, origin top left, y downwards.
    Ray ray(float2 viewPoint, float2 viewSize) const;
    // View point (x, y) and depth (z, 0 near .. 1 far) of a world point, or nothing
    // when the point is not in front of the eye.
    std::optional<Float3> project(Float3 point, float2 viewSize) const;

    static float4x4 lookAt(Float3 eye, Float3 center, Float3 up);
    static float4x4 perspective(float fovY, float aspect, float near, float far);
};

using CameraPreset = OrbitCamera::Preset;

std::optional<CameraPreset> cameraPreset(std::string_view rawValue);
std::string_view rawValue(CameraPreset preset);
std::string_view italianName(CameraPreset preset);
std::string_view shortLabel(CameraPreset preset);
std::span<const CameraPreset> allCameraPresets();

} // namespace morvena
