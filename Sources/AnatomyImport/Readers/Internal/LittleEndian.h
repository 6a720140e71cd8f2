#pragma once

#include <cstdint>
#include <span>

namespace morvena::LittleEndian {

// Unsigned little-endian integers at a byte offset of untrusted data; 0 when
// fewer bytes than the integer's width remain there.
inline std::uint16_t load16(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < 2)
        return 0;
    const std::uint8_t* p = bytes.data() + offset;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t load32(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < 4)
        return 0;
    const std::uint8_t* p = bytes.data() + offset;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t load64(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < 8)
        return 0;
    return load32(bytes, offset) | static_cast<std::uint64_t>(load32(bytes, offset + 4)) << 32;
}

} // namespace morvena::LittleEndian
