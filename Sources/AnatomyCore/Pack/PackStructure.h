#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Pack/PackFormat.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace morvena {

// One structure record of a geometry pack, used in place over the mapped file.
// A structure is known by its position in the structure section.
//
//   0  u32 nameOffset        string offset of the display name
//   4  u32 conceptOffset     string offset of the concept ID
//   8  u32 system            AnatomySystem raw value
//  12  u32 region            BodyRegion raw value
//  16  u32 laterality        Laterality raw value
//  20  u32 flags             0
//  24  f32 cx, cy, cz        centre of the bounding box
//  36  f32 radius            half the box diagonal
//  40  f32 minX, minY, minZ
//  52  f32 maxX, maxY, maxZ
//  64  u32 vertexStart       first vertex record
//  68  u32 vertexCount
//  72  u32 lod0Start..lod3Start   first index of each level's run, from the
//                                 start of the index section
//  88  u32 lod0Count..lod3Count   indices in that run; 0 = level not filled
struct PackStructure {
    std::uint32_t nameOffset = 0;
    std::uint32_t conceptOffset = 0;
    std::uint32_t system = 0;
    std::uint32_t region = 0;
    std::uint32_t laterality = 0;
    std::uint32_t flags = 0;
    float cx = 0;
    float cy = 0;
    float cz = 0;
    float radius = 0;
    float minX = 0;
    float minY = 0;
    float minZ = 0;
    float maxX = 0;
    float maxY = 0;
    float maxZ = 0;
    std::uint32_t vertexStart = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t lod0Start = 0;
    std::uint32_t lod1Start = 0;
    std::uint32_t lod2Start = 0;
    std::uint32_t lod3Start = 0;
    std::uint32_t lod0Count = 0;
    std::uint32_t lod1Count = 0;
    std::uint32_t lod2Count = 0;
    std::uint32_t lod3Count = 0;

    Float3 center() const { return {cx, cy, cz}; }
    Float3 boundsMin() const { return {minX, minY, minZ}; }
    Float3 boundsMax() const { return {maxX, maxY, maxZ}; }
    void setCenter(Float3 point);
    void setBounds(Float3 low, Float3 high);

    // Levels 0, 1 and 2 select their own run; every other value selects level 3.
    std::uint32_t lodIndexStart(int lod) const;
    std::uint32_t lodIndexCount(int lod) const;
    void setLODRun(int lod, std::uint32_t start, std::uint32_t count);
    // The level a draw of `lod` uses: clamped to 3, then the nearest filled
    // level at or below it, never a coarser one. Values below 1 are returned
    // unchanged.
    int resolvedLOD(int lod) const;

    bool operator==(const PackStructure&) const = default;
};

static_assert(sizeof(PackStructure) == PackFormat::structureStride);
static_assert(std::is_trivially_copyable_v<PackStructure> && std::is_standard_layout_v<PackStructure>);
static_assert(offsetof(PackStructure, flags) == 20);
static_assert(offsetof(PackStructure, cx) == 24);
static_assert(offsetof(PackStructure, radius) == 36);
static_assert(offsetof(PackStructure, minX) == 40);
static_assert(offsetof(PackStructure, maxX) == 52);
static_assert(offsetof(PackStructure, vertexStart) == 64);
static_assert(offsetof(PackStructure, vertexCount) == 68);
static_assert(offsetof(PackStructure, lod0Start) == 72);
static_assert(offsetof(PackStructure, lod0Count) == 88);

} // namespace morvena
