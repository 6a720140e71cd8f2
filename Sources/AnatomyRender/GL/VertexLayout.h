#pragma once

#include "AnatomyCore/Pack/PackVertex.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace morvena {

// How the opaque, transparent and pick pipelines read the pack's vertex section in
// place: one buffer at binding 0, one PackVertex per vertex. Bytes 28..31 (the
// vertex's flags) are not an attribute. Indices are the pack's 32-bit triangle
// lists; a draw starts at byte indexSize × DrawRange::indexStart.
namespace VertexLayout {

enum class ComponentType { float32, uint32 };

struct Attribute {
    std::uint32_t location;
    std::uint32_t componentCount;
    ComponentType type;
    std::uint32_t byteOffset;
};

inline constexpr std::uint32_t bufferBinding = 0;
inline constexpr std::uint32_t stride = 32;
inline constexpr std::size_t indexSize = sizeof(std::uint32_t);

inline constexpr Attribute position {0, 3, ComponentType::float32, 0};
inline constexpr Attribute normal {1, 3, ComponentType::float32, 12};
// Selects the vertex's StructureProps record; an integer attribute in the shader.
inline constexpr Attribute structureIndex {2, 1, ComponentType::uint32, 24};

inline constexpr std::array<Attribute, 3> attributes {position, normal, structureIndex};

static_assert(stride == sizeof(PackVertex));
static_assert(position.byteOffset == offsetof(PackVertex, px));
static_assert(normal.byteOffset == offsetof(PackVertex, nx));
static_assert(structureIndex.byteOffset == offsetof(PackVertex, structureIndex));

} // namespace VertexLayout

} // namespace morvena
