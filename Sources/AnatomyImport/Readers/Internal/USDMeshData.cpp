#include "AnatomyImport/Readers/Internal/USDMeshData.h"

#include "AnatomyImport/Geometry/MeshGeometry.h"

#include <limits>

namespace morvena {

namespace {

bool perPoint(const std::vector<Float3>& normals, std::string_view interpolation, std::size_t points)
{
    return !normals.empty() && normals.size() == points
        && (interpolation.empty() || interpolation == "vertex" || interpolation == "varying");
}

} // namespace

std::optional<RawMesh> USDMeshData::toRawMesh(std::string name) &&
{
    if (points.empty())
        return std::nullopt;
    const std::size_t pointCount = points.size();
    const auto vertex = [&](std::int64_t index) {
        return index >= 0 && static_cast<std::uint64_t>(index) < pointCount
            ? static_cast<std::uint32_t>(index)
            : std::numeric_limits<std::uint32_t>::max();
    };
    RawMesh mesh {std::move(name), std::move(points), {}, {}};
    const auto& corners = faceVertexIndices;
    mesh.indices.reserve(
        3 * corners.size()); // the fans' triangles, at most: no growth past what the reader counted
    std::size_t cursor = 0;
    for (std::int64_t count : faceVertexCounts) {
        if (count < 0 || static_cast<std::uint64_t>(count) > corners.size() - cursor)
            break; // the counts ask for more corners than the layer lists
        for (std::int64_t k = 1; k + 1 < count; ++k) {
            mesh.indices.insert(mesh.indices.end(),
                {vertex(corners[cursor]), vertex(corners[cursor + k]), vertex(corners[cursor + k + 1])});
        }
        cursor += static_cast<std::size_t>(count);
    }
    MeshGeometry::dropInvalidTriangles(mesh.positions, mesh.indices);
    if (mesh.indices.size() < 3)
        return std::nullopt;
    if (perPoint(primvarNormals, primvarNormalsInterpolation, pointCount))
        mesh.normals = std::move(primvarNormals);
    else if (perPoint(normals, normalsInterpolation, pointCount))
        mesh.normals = std::move(normals);
    else
        mesh.normals = MeshGeometry::computeNormals(mesh.positions, mesh.indices);
    return mesh;
}

} // namespace morvena
