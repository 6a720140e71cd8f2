#pragma once

#include <cmath>

namespace morvena {

// Three packed floats: a position, normal or extent as stored in geometry packs
// and passed between loaders, builder and renderer. No padding, so arrays of it
// have the same layout as the file's float triples.
struct Float3 {
    float x = 0;
    float y = 0;
    float z = 0;

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

static_assert(sizeof(Float3) == 12);

} // namespace morvena
