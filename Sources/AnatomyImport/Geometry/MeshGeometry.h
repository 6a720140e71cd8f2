#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <cstdint>
#include <span>
#include <vector>

namespace morvena {

// Pure operations on a position array and a triangle index array, shared by both
// importers. None keeps state or throws; degenerate input gives degenerate but
// valid output. Indices at or beyond the position count never cause a read out
// of bounds: welding and decimation drop their triangles, normals skip them.
namespace MeshGeometry {

struct WeldResult {
    std::vector<Float3> positions;
    std::vector<std::uint32_t> indices;
};

// Merges the vertices that fall into one cell of a grid of edge `tolerance`
// centred on the integers; the first vertex of a cell keeps its exact position.
// Triangles that collapse are dropped, their vertices stay. A coordinate whose
// cell does not fit a signed 32-bit integer (non-finite, or beyond 2^31 cells)
// gives its vertex a cell of its own.
WeldResult weld(std::span<const Float3> positions, std::span<const std::uint32_t> indices, float tolerance);

// Area-weighted unit normal per position; (0, 1, 0) where no triangle gives one.
std::vector<Float3> computeNormals(std::span<const Float3> positions, std::span<const std::uint32_t> indices);

// Vertex clustering that only rewrites indices: every vertex maps to the vertex of
// its cell nearest the cell centre, collapsed and repeated triangles go, the rest
// keep their input order and winding.
std::vector<std::uint32_t> decimateIndexOnly(
    std::span<const Float3> positions, std::span<const std::uint32_t> indices, float cellSize);

// One to three index lists over the same positions, finest first.
std::vector<std::vector<std::uint32_t>> buildLODs(std::span<const Float3> positions,
    std::span<const std::uint32_t> indices, float diagonal, int minTrianglesForLOD);
// The same, the finest list being `indices` itself rather than a copy.
std::vector<std::vector<std::uint32_t>> buildLODs(std::span<const Float3> positions,
    std::vector<std::uint32_t>&& indices, float diagonal, int minTrianglesForLOD);

// Keeps the complete triangles whose corners all lie below the position count and
// have finite coordinates, in order; returns how many triangles were removed.
// Loaders run it per source unit before meshes are appended, so a bad reference
// can never point into another mesh's vertices.
std::size_t dropInvalidTriangles(std::span<const Float3> positions, std::vector<std::uint32_t>& indices);

// The mesh of the complete triangles whose corners all lie below the position
// count, carrying only the vertices they use: in ascending order, with their
// normals when there is one per position, renumbered to match. Its box is thus
// that of its triangles. The work follows the triangles, never the position
// count; the name stays empty.
RawMesh usedVertices(std::span<const Float3> positions, std::span<const Float3> normals,
    std::span<const std::uint32_t> indices);

// Drops the triangles dropInvalidTriangles drops, then the vertices no triangle
// uses, in place; the name stays. A mesh that uses every vertex keeps its arrays.
void keepValidTrianglesAndTheirVertices(RawMesh& mesh);

} // namespace MeshGeometry

} // namespace morvena
