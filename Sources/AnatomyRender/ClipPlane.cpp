#include "AnatomyRender/ClipPlane.h"

#include <array>

namespace morvena {

namespace {

constexpr std::array<ClipAxis, 3> axes {ClipAxis::sagittal, ClipAxis::transverse, ClipAxis::frontal};

} // namespace

float4 ClipPlane::packed() const
{
    float sign = flipped ? -1.f : 1.f;
    Float3 n = normal(axis) * sign;
    return {n, -sign * offset};
}

std::optional<ClipAxis> clipAxis(int raw)
{
    if (raw < 0 || raw > 2)
        return std::nullopt;
    return static_cast<ClipAxis>(raw);
}

Float3 normal(ClipAxis axis)
{
    switch (axis) {
    case ClipAxis::sagittal:
        return {1, 0, 0};
    case ClipAxis::transverse:
        return {0, 1, 0};
    case ClipAxis::frontal:
        return {0, 0, 1};
    }
    return {1, 0, 0};
}

std::string_view italianName(ClipAxis axis)
{
    switch (axis) {
    case ClipAxis::sagittal:
        return "Sagittale";
    case ClipAxis::transverse:
        return "Trasversale";
    case ClipAxis::frontal:
        return "Frontale";
    }
    return "Sagittale";
}

std::span<const ClipAxis> allClipAxes()
{
    return axes;
}

} // namespace morvena
