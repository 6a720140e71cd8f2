#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string_view>

namespace morvena {

enum class Laterality : std::uint32_t {
    unpaired = 0,
    left = 1,
    right = 2,
};

inline constexpr std::size_t lateralityCount = 3;

std::optional<Laterality> laterality(std::uint32_t rawValue);
constexpr std::uint32_t rawValue(Laterality side)
{
    return static_cast<std::uint32_t>(side);
}
std::string_view italianName(Laterality side);
std::string_view englishName(Laterality side);

void to_json(nlohmann::json& json, Laterality side);
void from_json(const nlohmann::json& json, Laterality& side);

} // namespace morvena
