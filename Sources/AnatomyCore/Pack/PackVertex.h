#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Pack/PackFormat.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace morvena {

// One vertex record of a geometry pack, used in place over the mapped file.
//
//   0  f32 px, py, pz      position
//  12  f32 nx, ny, nz      normal
//  24  u32 structureIndex  the structure record that owns the vertex
//  28  u32 flags           0
struct PackVertex {
    float px = 0;
    float py = 0;
    float pz = 0;
    float nx = 0;
    float ny = 0;
    float nz = 0;
    std::uint32_t structureIndex = 0;
    std::uint32_t flags = 0;

    PackVertex() = default;
    PackVertex(Float3 position, Float3 normal, std::uint32_t structureIndex, std::uint32_t flags = 0)
        : px(position.x)
        , py(position.y)
        , pz(position.z)
        , nx(normal.x)
        , ny(normal.y)
        , nz(normal.z)
        , structureIndex(structureIndex)
        , flags(flags)
    {
    }

    Float3 position() const { return {px, py, pz}; }
    Float3 normal() const { return {nx, ny, nz}; }

    bool operator==(const PackVertex&) const = default;
};

static_assert(sizeof(PackVertex) == PackFormat::vertexStride);
static_assert(std::is_trivially_copyable_v<PackVertex> && std::is_standard_layout_v<PackVertex>);
static_assert(offsetof(PackVertex, nx) == 12);
static_assert(offsetof(PackVertex, structureIndex) == 24);
static_assert(offsetof(PackVertex, flags) == 28);

} // namespace morvena
