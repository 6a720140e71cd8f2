#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace morvena {

// Constants of the geometry pack file format (".mrvpack"). The file is a
// 256-byte header (PackHeader) followed by four sections, each starting on a
// multiple of sectionAlignment: structure records (PackStructure), vertex
// records (PackVertex), 32-bit indices and NUL-terminated UTF-8 strings.
// Every multi-byte value is little-endian.
namespace PackFormat {

inline constexpr std::array<char, 8> magic {'M', 'R', 'V', 'P', 'A', 'C', 'K', '\0'};
inline constexpr std::uint32_t version = 1;
inline constexpr std::size_t headerSize = 256;
// 16 KiB: the largest page size the pack's readers map with, so every section
// starts on a page and can be handed to the GPU in place.
inline constexpr std::size_t sectionAlignment = 16384;
inline constexpr int maxLODs = 4;
inline constexpr std::size_t vertexStride = 32;
inline constexpr std::size_t structureStride = 104;

// The smallest multiple of sectionAlignment not below `offset`.
constexpr std::uint64_t alignUp(std::uint64_t offset)
{
    return (offset + sectionAlignment - 1) / sectionAlignment * sectionAlignment;
}

} // namespace PackFormat

} // namespace morvena
