#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Pack/PackFormat.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace morvena {

static_assert(
    std::endian::native == std::endian::little, "geometry packs are mapped in place as little-endian");

// The first 256 bytes of a geometry pack, read and written as one record.
//
//   0  magic[8]          "MRVPACK\0"
//   8  u32 version       1
//  12  u32 structureCount
//  16  u32 lodCount      1 + highest level any structure fills (1..4)
//  20  u32 vertexCount
//  24  u32 indexCount    all levels together
//  28  u32 stringsLength
//  32  f32 boundsMin[3]  all 0 without structures
//  44  f32 boundsMax[3]
//  56  u64 structuresOffset
//  64  u64 verticesOffset
//  72  u64 indicesOffset
//  80  u64 stringsOffset
//  88  u32 datasetName   string offset
//  92  u32 attribution   string offset
//  96  reserved[160]     zero
struct PackHeader {
    std::array<char, 8> magic {};
    std::uint32_t version = 0;
    std::uint32_t structureCount = 0;
    std::uint32_t lodCount = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t indexCount = 0;
    std::uint32_t stringsLength = 0;
    Float3 boundsMin;
    Float3 boundsMax;
    std::uint64_t structuresOffset = 0;
    std::uint64_t verticesOffset = 0;
    std::uint64_t indicesOffset = 0;
    std::uint64_t stringsOffset = 0;
    std::uint32_t datasetName = 0;
    std::uint32_t attribution = 0;
    std::array<std::byte, 160> reserved {};
};

static_assert(sizeof(PackHeader) == PackFormat::headerSize);
static_assert(offsetof(PackHeader, version) == 8);
static_assert(offsetof(PackHeader, structureCount) == 12);
static_assert(offsetof(PackHeader, lodCount) == 16);
static_assert(offsetof(PackHeader, vertexCount) == 20);
static_assert(offsetof(PackHeader, indexCount) == 24);
static_assert(offsetof(PackHeader, stringsLength) == 28);
static_assert(offsetof(PackHeader, boundsMin) == 32);
static_assert(offsetof(PackHeader, boundsMax) == 44);
static_assert(offsetof(PackHeader, structuresOffset) == 56);
static_assert(offsetof(PackHeader, verticesOffset) == 64);
static_assert(offsetof(PackHeader, indicesOffset) == 72);
static_assert(offsetof(PackHeader, stringsOffset) == 80);
static_assert(offsetof(PackHeader, datasetName) == 88);
static_assert(offsetof(PackHeader, attribution) == 92);
static_assert(offsetof(PackHeader, reserved) == 96);

} // namespace morvena
