#pragma once

#include "AnatomyRender/Math/Float4.h"

#include <array>

namespace morvena {

// A 4x4 matrix of 32-bit floats stored as four columns, as GLSL's mat4: the element
// in row r, column c lies at byte 16·c + 4·r, and a point p maps to M·(p, 1).
struct alignas(16) float4x4 {
    std::array<float4, 4> columns {
        float4 {1, 0, 0, 0}, float4 {0, 1, 0, 0}, float4 {0, 0, 1, 0}, float4 {0, 0, 0, 1}};

    static constexpr float4x4 identity() { return {}; }
    static constexpr float4x4 fromColumns(float4 c0, float4 c1, float4 c2, float4 c3)
    {
        return {{c0, c1, c2, c3}};
    }

    bool operator==(const float4x4&) const = default;

    constexpr float4& operator[](int column) { return columns[column]; }
    constexpr const float4& operator[](int column) const { return columns[column]; }
    constexpr float4 row(int r) const { return {columns[0][r], columns[1][r], columns[2][r], columns[3][r]}; }
};

static_assert(sizeof(float4x4) == 64 && alignof(float4x4) == 16);

constexpr float4 operator*(const float4x4& m, float4 v)
{
    return m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3] * v.w;
}

constexpr float4x4 operator*(const float4x4& a, const float4x4& b)
{
    return float4x4::fromColumns(a * b[0], a * b[1], a * b[2], a * b[3]);
}

// The general inverse by cofactors; a singular matrix gives the identity rather than
// infinities, so a degenerate camera never poisons the shaders' reconstructions.
float4x4 inverse(const float4x4& m);

} // namespace morvena
