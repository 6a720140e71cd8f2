#include "AnatomyImport/Geometry/RawMesh.h"

#include <cmath>
#include <limits>

namespace morvena {

RawMesh::Bounds RawMesh::bounds(std::span<const Float3> positions)
{
    constexpr float largest = std::numeric_limits<float>::max();
    Bounds box {{largest, largest, largest}, {-largest, -largest, -largest}};
    for (const Float3& p : positions) {
        for (int k = 0; k < 3; ++k) {
            // fmin/fmax return the number when the other operand is NaN.
            box.min[k] = std::fmin(box.min[k], p[k]);
            box.max[k] = std::fmax(box.max[k], p[k]);
        }
    }
    return box;
}

void RawMesh::transform(float scale, const Float3& offset)
{
    if (scale == 1.f && offset[0] == 0.f && offset[1] == 0.f && offset[2] == 0.f)
        return;
    for (Float3& p : positions) {
        for (int k = 0; k < 3; ++k)
            p[k] = p[k] * scale + offset[k];
    }
}

void RawMesh::append(const RawMesh& other)
{
    const auto base = static_cast<std::uint32_t>(positions.size());
    positions.insert(positions.end(), other.positions.begin(), other.positions.end());
    normals.insert(normals.end(), other.normals.begin(), other.normals.end());
    indices.reserve(indices.size() + other.indices.size());
    for (std::uint32_t index : other.indices)
        indices.push_back(index + base);
}

} // namespace morvena
