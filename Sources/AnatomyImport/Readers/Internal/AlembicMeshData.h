#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvena {

// What one Alembic polygon or subdivision mesh holds at its first sample, and its
// conversion. A subdivision surface is kept as its control cage: the faces as
// stored, not the refined surface.
struct AlembicMeshData {
    std::vector<Float3> points;
    std::vector<std::int32_t> faceCounts;
    std::vector<std::int32_t> faceIndices;
    std::vector<std::int32_t> holes; // faces left out; an entry that names no face is ignored
    // One normal per face corner, in the order of faceIndices; empty without normals.
    std::vector<Float3> cornerNormals;

    // Why the faces cannot be read as stored (Italian, naming no mesh), else empty:
    // a negative corner count, counts that do not sum to the corner list, a
    // corner outside the points.
    std::string problem() const;

    // Nothing for a mesh with a problem(). Alembic lists the corners of a face clockwise,
    // so each face is turned and fanned around its first corner; holes and faces
    // of fewer than three corners give no triangle, nor do corners with
    // non-finite coordinates. The corner normals become per-point normals where
    // every corner of each point carries the same one; otherwise area-weighted
    // normals are generated. Nothing without a whole triangle.
    std::optional<RawMesh> toRawMesh(std::string name) &&;

private:
    std::optional<std::vector<Float3>> pointNormals() const;
};

} // namespace morvena
