#pragma once

#include "AnatomyCore/Math/Float3.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morvena {

// A named triangle mesh as a loader produced it, before the import scales, welds,
// gives normals and builds levels of detail. Positions stay in the source's units
// until the importer scales them.
struct RawMesh {
    struct Bounds {
        Float3 min;
        Float3 max;
        bool operator==(const Bounds&) const = default;
    };

    std::string name; // as the source gives it; may be empty
    std::vector<Float3> positions;
    std::vector<Float3> normals; // empty, or one per position (consumers check the count)
    std::vector<std::uint32_t> indices; // three per triangle, into positions

    // No positions, or not even one triangle's worth of indices.
    bool isEmpty() const { return positions.empty() || indices.size() < 3; }
    // A trailing incomplete triangle does not count.
    std::size_t triangleCount() const { return indices.size() / 3; }
    Bounds bounds() const { return bounds(positions); }

    // Component-wise minimum and maximum. The fold starts from the largest finite
    // float and its negative and ignores NaN components, so no positions give an
    // inverted box and a NaN never replaces a number.
    static Bounds bounds(std::span<const Float3> positions);

    // p -> p * scale + offset for every position (multiply first, then add).
    // The identity transform leaves the positions bit for bit as they are.
    void transform(float scale, const Float3& offset);
    // Appends the other mesh's positions, its normals as they are and its indices
    // shifted past this mesh's positions. The name stays.
    void append(const RawMesh& other);

    bool operator==(const RawMesh&) const = default;
};

} // namespace morvena
