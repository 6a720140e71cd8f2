#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace morvena::test {

// A mesh of `triangles` triangles in a strip along x starting at `origin`,
// level 0 only.
inline MeshPackBuilder::Mesh stripMesh(std::string conceptID, std::string name, std::size_t triangles = 1,
    Float3 origin = {}, AnatomySystem system = AnatomySystem::skeletal, BodyRegion region = BodyRegion::head)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = std::move(conceptID);
    mesh.name = std::move(name);
    mesh.system = system;
    mesh.region = region;
    for (std::size_t i = 0; i < triangles + 2; ++i) {
        mesh.positions.push_back(origin + Float3 {float(i / 2), float(i % 2), 0});
        mesh.normals.push_back({0, 0, 1});
    }
    mesh.lodIndices.emplace_back();
    for (std::uint32_t t = 0; t < triangles; ++t)
        mesh.lodIndices[0].insert(mesh.lodIndices[0].end(), {t, t + 1, t + 2});
    return mesh;
}

// Little-endian field access on a pack's bytes, for inspecting and damaging files.
template <typename T> T fieldAt(const std::string& bytes, std::size_t offset)
{
    T value {};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <typename T> void setField(std::string& bytes, std::size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// Header field offsets of the pack format.
namespace HeaderField {
inline constexpr std::size_t version = 8, structureCount = 12, lodCount = 16, vertexCount = 20,
                             indexCount = 24, stringsLength = 28, boundsMin = 32, boundsMax = 44,
                             structuresOffset = 56, verticesOffset = 64, indicesOffset = 72,
                             stringsOffset = 80, datasetName = 88, attribution = 92;
} // namespace HeaderField

} // namespace morvena::test
