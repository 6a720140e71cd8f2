#pragma once

#include "AnatomyCore/Float3.h"

#include <cmath>

namespace morvena {

// The renderer's three-component vector is the pack's own packed triple, so
// positions, centres and bounds pass between pack, scene and camera unconverted.
// What follows are the operations the camera and the scene need on top of it.
using float3 = Float3;

constexpr float3& operator+=(float3& a, float3 b)
{
    return a = a + b;
}
constexpr float3& operator-=(float3& a, float3 b)
{
    return a = a - b;
}
constexpr float3& operator*=(float3& a, float scale)
{
    return a = a * scale;
}
constexpr float3 operator-(float3 a)
{
    return {-a.x, -a.y, -a.z};
}
constexpr float3 operator/(float3 a, float divisor)
{
    return {a.x / divisor, a.y / divisor, a.z / divisor};
}

constexpr float dot(float3 a, float3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

constexpr float3 cross(float3 a, float3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The zero vector stays zero instead of turning into NaNs.
inline float3 normalize(float3 a)
{
    float len = length(a);
    return len > 0 ? a / len : a;
}

// Component-wise minimum and maximum; a NaN component of b leaves a's component.
inline float3 min(float3 a, float3 b)
{
    return {std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z)};
}
inline float3 max(float3 a, float3 b)
{
    return {std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z)};
}

inline bool isFinite(float3 a)
{
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

} // namespace morvena
