#include "AnatomyImport/Readers/Internal/AlembicMeshData.h"

#include "AnatomyImport/Geometry/MeshGeometry.h"

namespace morvena {

std::string AlembicMeshData::problem() const
{
    std::uint64_t corners = 0;
    for (std::int32_t count : faceCounts) {
        if (count < 0)
            return "una faccia con un numero negativo di vertici";
        corners += static_cast<std::uint64_t>(count);
    }
    if (corners != faceIndices.size())
        return "facce che contano " + std::to_string(corners) + " vertici su "
            + std::to_string(faceIndices.size()) + " indici";
    for (std::int32_t index : faceIndices) {
        if (index < 0 || static_cast<std::uint64_t>(index) >= points.size())
            return "un indice di faccia oltre i suoi " + std::to_string(points.size()) + " punti";
    }
    return {};
}

std::optional<std::vector<Float3>> AlembicMeshData::pointNormals() const
{
    if (cornerNormals.size() != faceIndices.size())
        return std::nullopt;
    std::vector<Float3> normals(points.size(), Float3 {0.f, 1.f, 0.f});
    std::vector<bool> given(points.size(), false);
    for (std::size_t corner = 0; corner < faceIndices.size(); ++corner) {
        const auto point = static_cast<std::size_t>(faceIndices[corner]);
        if (!given[point]) {
            normals[point] = cornerNormals[corner];
            given[point] = true;
        } else if (!(normals[point] == cornerNormals[corner])) {
            return std::nullopt; // a crease or a seam: one normal per point cannot say it
        }
    }
    return normals;
}

std::optional<RawMesh> AlembicMeshData::toRawMesh(std::string name) &&
{
    if (!problem().empty())
        return std::nullopt;
    std::vector<bool> hole(faceCounts.size(), false);
    for (std::int32_t face : holes) {
        if (face >= 0 && static_cast<std::size_t>(face) < hole.size())
            hole[static_cast<std::size_t>(face)] = true;
    }
    RawMesh mesh {std::move(name), {}, {}, {}};
    mesh.indices.reserve(faceIndices.size() * 3);
    std::size_t start = 0;
    for (std::size_t face = 0; face < faceCounts.size(); ++face) {
        const auto count = static_cast<std::size_t>(faceCounts[face]);
        const auto corner = [&](std::size_t k) { return static_cast<std::uint32_t>(faceIndices[start + k]); };
        for (std::size_t k = 1; !hole[face] && k + 1 < count; ++k)
            mesh.indices.insert(mesh.indices.end(), {corner(0), corner(k + 1), corner(k)});
        start += count;
    }
    auto normals = pointNormals();
    mesh.positions = std::move(points);
    MeshGeometry::dropInvalidTriangles(mesh.positions, mesh.indices);
    if (mesh.isEmpty())
        return std::nullopt;
    mesh.normals = normals ? std::move(*normals) : MeshGeometry::computeNormals(mesh.positions, mesh.indices);
    return mesh;
}

} // namespace morvena
