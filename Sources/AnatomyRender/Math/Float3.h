#pragma once

#include <cmath>

namespace morvena {

// Positions, directions and colours in 32-bit floats. Twelve bytes, no padding:
// it is a CPU-side type and never sits inside a GPU record.
struct float3 {
    float x = 0;
    float y = 0;
    float z = 0;

    bool operator==(const float3&) const = default;

    constexpr float3& operator+=(float3 other)
    {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }
    constexpr float3& operator-=(float3 other)
    {
        x -= other.x;
        y -= other.y;
        z -= other.z;
        return *this;
    }
    constexpr float3& operator*=(float scale)
    {
        x *= scale;
        y *= scale;
        z *= scale;
        return *this;
    }
};

constexpr float3 operator+(float3 a, float3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr float3 operator-(float3 a, float3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr float3 operator-(float3 a)
{
    return {-a.x, -a.y, -a.z};
}
constexpr float3 operator*(float3 a, float scale)
{
    return {a.x * scale, a.y * scale, a.z * scale};
}
constexpr float3 operator*(float scale, float3 a)
{
    return a * scale;
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

inline float length(float3 a)
{
    return std::sqrt(dot(a, a));
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
