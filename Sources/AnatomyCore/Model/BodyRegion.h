#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace morvena {

// Body regions; 0 means the region was not determined.
enum class BodyRegion : std::uint32_t {
    unknown = 0,
    head = 1,
    neck = 2,
    thorax = 3,
    abdomen = 4,
    pelvis = 5,
    back = 6,
    upperLimb = 7,
    lowerLimb = 8,
    wholeBody = 9,
};

inline constexpr std::size_t bodyRegionCount = 10;

std::optional<BodyRegion> bodyRegion(std::uint32_t rawValue);
constexpr std::uint32_t rawValue(BodyRegion region)
{
    return static_cast<std::uint32_t>(region);
}
std::span<const BodyRegion> allBodyRegions();
std::string_view italianName(BodyRegion region);
std::string_view englishName(BodyRegion region);

void to_json(nlohmann::json& json, BodyRegion region);
void from_json(const nlohmann::json& json, BodyRegion& region);

} // namespace morvena
