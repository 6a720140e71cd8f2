#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// What one USD Mesh prim says about its geometry, as either layer reader (text or
// binary) finds it, and the one conversion both share. The interpolation texts
// point into the reader's own buffer, which must outlive the record.
struct USDMeshData {
    std::vector<Float3> points;
    std::vector<std::int64_t> faceVertexCounts;
    std::vector<std::int64_t> faceVertexIndices; // -1 for a value that names no vertex
    std::vector<Float3> normals;
    std::string_view normalsInterpolation;
    std::vector<Float3> primvarNormals;
    std::string_view primvarNormalsInterpolation;

    // Each face becomes a fan around its first corner; triangles with an index
    // outside the points are dropped, and the faces stop where the counts ask for
    // more corners than the indices list. Per-point normals ("primvars:normals"
    // first, then "normals") are kept; otherwise area-weighted ones are generated.
    // Nothing without points or without a whole triangle.
    std::optional<RawMesh> toRawMesh(std::string name) &&;
};

} // namespace morvena
