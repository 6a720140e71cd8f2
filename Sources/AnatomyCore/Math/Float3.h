#pragma once

#include <cmath>

namespace morvena {

// Three packed floats: a position, normal or extent as stored in geometry packs
// and passed between loaders, builder, scene and camera unconverted. No padding,
// so arrays of it have the same layout as the file's float triples.
struct Float3 {
    float x = 0;
    float y = 0;
    float z = 0;

    // Component by axis: 0 is x, 1 is y, any other value z.
    constexpr float& operator[](int axis) { return axis == 0 ? x : axis == 1 ? y : z; }
    constexpr float operator[](int axis) const { return axis == 0 ? x : axis == 1 ? y : z; }

    bool operator==(const Float3&) const = default;
};

constexpr Float3 operator+(Float3 a, Float3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Float3 operator-(Float3 a, Float3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Float3 operator*(Float3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
constexpr Float3 operator*(float s, Float3 a)
{
    return a * s;
}
inline float length(Float3 a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

constexpr Float3& operator+=(Float3& a, Float3 b)
{
    return a = a + b;
}
constexpr Float3& operator-=(Float3& a, Float3 b)
{
    return a = a - b;
}
constexpr Float3& operator*=(Float3& a, float scale)
{
    return a = a * scale;
}
constexpr Float3 operator-(Float3 a)
{
    return {-a.x, -a.y, -a.z};
}
constexpr Float3 operator/(Float3 a, float divisor)
{
    return {a.x / divisor, a.y / divisor, a.z / divisor};
}

constexpr float dot(Float3 a, Float3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

constexpr Float3 cross(Float3 a, Float3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The zero vector stays zero instead of turning into NaNs.
inline Float3 normalize(Float3 a)
{
    float len = length(a);
    return len > 0 ? a / len : a;
}

// Component-wise minimum and maximum; a NaN component of b leaves a's component.
inline Float3 min(Float3 a, Float3 b)
{
    return {std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z)};
}
inline Float3 max(Float3 a, Float3 b)
{
    return {std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z)};
}

inline bool isFinite(Float3 a)
{
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

static_assert(sizeof(Float3) == 12);

} // namespace morvena
