#pragma once

#include "AnatomyRender/Math/Float4.h"

#include <cstddef>
#include <type_traits>

namespace morvena {

// The per-structure shader record, 48 bytes, one per structure in structure-index
// order (record i at byte 48·i), read by the shaders as a std430 array of a struct
// with three vec4 members of the same names.
//
//   0  vec4 colorAlpha    rgb display colour, a = alpha after visibility and ghosting (0: not drawn)
//  16  vec4 explodeFlags  xyz explode direction at factor 1, w = selectedFlag or 0
//  32  vec4 material      the system's surface material
struct StructureProps {
    static constexpr float selectedFlag = 1.0f;

    float4 colorAlpha {0.8f, 0.8f, 0.8f, 1};
    float4 explodeFlags {0, 0, 0, 0};
    float4 material {0.5f, 0.35f, 0.25f, 0.3f};

    bool operator==(const StructureProps&) const = default;
};

static_assert(sizeof(StructureProps) == 48);
static_assert(std::is_standard_layout_v<StructureProps> && std::is_trivially_copyable_v<StructureProps>);
static_assert(offsetof(StructureProps, explodeFlags) == 16);
static_assert(offsetof(StructureProps, material) == 32);

} // namespace morvena
