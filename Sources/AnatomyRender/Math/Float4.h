#pragma once

#include "AnatomyCore/Math/Float3.h"

namespace morvena {

// Four floats aligned to 16 bytes, matching a GLSL vec4 in std140 and std430 blocks.
struct alignas(16) float4 {
    float x = 0;
    float y = 0;
    float z = 0;
    float w = 0;

    constexpr float4() = default;
    constexpr float4(float x, float y, float z, float w)
        : x(x)
        , y(y)
        , z(z)
        , w(w)
    {
    }
    constexpr float4(Float3 xyz, float w)
        : x(xyz.x)
        , y(xyz.y)
        , z(xyz.z)
        , w(w)
    {
    }

    bool operator==(const float4&) const = default;

    constexpr Float3 xyz() const { return {x, y, z}; }
    constexpr float operator[](int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    constexpr float& operator[](int i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
};

static_assert(sizeof(float4) == 16 && alignof(float4) == 16);

constexpr float4 operator+(float4 a, float4 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
constexpr float4 operator-(float4 a, float4 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
constexpr float4 operator*(float4 a, float scale)
{
    return {a.x * scale, a.y * scale, a.z * scale, a.w * scale};
}
constexpr float4 operator/(float4 a, float d)
{
    return {a.x / d, a.y / d, a.z / d, a.w / d};
}
constexpr float dot(float4 a, float4 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

} // namespace morvena
