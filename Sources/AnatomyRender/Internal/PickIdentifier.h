#pragma once

#include <cstdint>
#include <optional>

namespace morvena {

// The pick target stores structure index + 1 per texel; 0 is the background (the clear value).
namespace PickIdentifier {

constexpr std::uint32_t texel(std::uint32_t structureIndex)
{
    return structureIndex + 1;
}

constexpr std::optional<std::uint32_t> structureIndex(std::uint32_t texel)
{
    if (texel == 0)
        return std::nullopt;
    return texel - 1;
}

} // namespace PickIdentifier

} // namespace morvena
