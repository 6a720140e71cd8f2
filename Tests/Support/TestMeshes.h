#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"

#include <cstdint>
#include <string>

namespace morvena::test {

// An axis-aligned box with flat faces (24 vertices, 12 triangles), level 0 only.
inline MeshPackBuilder::Mesh boxMesh(
    std::string name, Float3 min, Float3 max, AnatomySystem system = AnatomySystem::skeletal)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = "FMA:" + name;
    mesh.name = std::move(name);
    mesh.system = system;
    mesh.region = BodyRegion::thorax;
    mesh.lodIndices.emplace_back();
    auto face = [&mesh](Float3 a, Float3 b, Float3 c, Float3 d, Float3 normal) {
        auto base = static_cast<std::uint32_t>(mesh.positions.size());
        for (auto corner : {a, b, c, d}) {
            mesh.positions.push_back(corner);
            mesh.normals.push_back(normal);
        }
        mesh.lodIndices[0].insert(
            mesh.lodIndices[0].end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    };
    Float3 p000 {min.x, min.y, min.z}, p100 {max.x, min.y, min.z}, p010 {min.x, max.y, min.z},
        p110 {max.x, max.y, min.z}, p001 {min.x, min.y, max.z}, p101 {max.x, min.y, max.z},
        p011 {min.x, max.y, max.z}, p111 {max.x, max.y, max.z};
    face(p001, p101, p111, p011, {0, 0, 1});
    face(p100, p000, p010, p110, {0, 0, -1});
    face(p000, p001, p011, p010, {-1, 0, 0});
    face(p101, p100, p110, p111, {1, 0, 0});
    face(p011, p111, p110, p010, {0, 1, 0});
    face(p000, p100, p101, p001, {0, -1, 0});
    return mesh;
}

// A thin box whose front face (at z = 0) covers exactly the pixel columns c0..c1 and
// rows r0..r1 (row 0 at the top) of a 64 × 64 view made by lookFromFront(32), where one
// model unit is one pixel.
inline MeshPackBuilder::Mesh pixelBox(std::string name, int c0, int r0, int c1, int r1)
{
    Float3 min {static_cast<float>(c0) - 32 + 0.25f, 32 - static_cast<float>(r1) - 0.75f, -4};
    Float3 max {static_cast<float>(c1) - 32 + 0.75f, 32 - static_cast<float>(r0) - 0.25f, 0};
    return boxMesh(std::move(name), min, max);
}

} // namespace morvena::test
