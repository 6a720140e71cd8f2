#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyRender/Math/Float4.h"

#include <optional>
#include <span>
#include <string_view>

namespace morvena {

// The optional section plane of the scene, following one of the three body planes.
struct ClipPlane {
    enum class Axis { sagittal = 0, transverse = 1, frontal = 2 };

    Axis axis = Axis::sagittal;
    float offset = 0; // along the axis's normal, in model units
    bool flipped = false; // which half of the body remains

    bool operator==(const ClipPlane&) const = default;

    // (nx, ny, nz, d) with dot(xyz, p) + d the signed distance of p from the plane,
    // positive on the side the (possibly flipped) normal points to.
    float4 packed() const;
};

using ClipAxis = ClipPlane::Axis;

std::optional<ClipAxis> clipAxis(int rawValue);
constexpr int rawValue(ClipAxis axis)
{
    return static_cast<int>(axis);
}
Float3 normal(ClipAxis axis);
std::string_view italianName(ClipAxis axis);
std::span<const ClipAxis> allClipAxes();

} // namespace morvena
