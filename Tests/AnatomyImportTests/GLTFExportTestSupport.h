#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "TemporaryFolder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace morvena::test {

inline constexpr GLTFExporter::Options plain {
    .lod = 0, .coloredMaterials = false, .scale = 1, .centered = false};

// A pack written from `meshes` in the order given (no locality sort).
inline std::unique_ptr<MeshPack> packOf(
    const TemporaryFolder& folder, std::vector<MeshPackBuilder::Mesh> meshes)
{
    MeshPackBuilder builder;
    for (auto& mesh : meshes)
        builder.add(std::move(mesh));
    builder.write(folder / "geometry.mrvpack", "Atlante", "CC BY");
    return std::make_unique<MeshPack>(folder / "geometry.mrvpack");
}

inline MeshPackBuilder::Mesh meshWith(std::string id, std::vector<Float3> positions,
    std::vector<std::vector<std::uint32_t>> levels, AnatomySystem system = AnatomySystem::skeletal)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = id;
    mesh.name = "Nome " + id;
    mesh.system = system;
    mesh.positions = std::move(positions);
    mesh.normals.assign(mesh.positions.size(), Float3 {0, 0, 1});
    mesh.lodIndices = std::move(levels);
    return mesh;
}

inline std::vector<std::int64_t> allStructures(const MeshPack& pack)
{
    std::vector<std::int64_t> all;
    for (std::size_t i = 0; i < pack.structureCount(); ++i)
        all.push_back(static_cast<std::int64_t>(i));
    return all;
}

} // namespace morvena::test
