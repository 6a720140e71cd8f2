#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string_view>

namespace morvena {

// The body systems. Raw values are stored in the anatomy database and the
// geometry pack, so they never change.
enum class AnatomySystem : std::uint32_t {
    unclassified = 0,
    skeletal = 1,
    muscular = 2,
    tendon = 3,
    ligament = 4,
    cartilage = 5,
    joint = 6,
    nervous = 7,
    arterial = 8,
    venous = 9,
    cardiac = 10,
    respiratory = 11,
    digestive = 12,
    urogenital = 13,
    endocrine = 14,
    lymphatic = 15,
    sense = 16,
    integument = 17,
};

struct SystemColor {
    float red = 0;
    float green = 0;
    float blue = 0;
    bool operator==(const SystemColor&) const = default;
};

inline constexpr std::size_t anatomySystemCount = 18;

std::optional<AnatomySystem> anatomySystem(std::uint32_t rawValue);
constexpr std::uint32_t rawValue(AnatomySystem system)
{
    return static_cast<std::uint32_t>(system);
}
std::span<const AnatomySystem> allAnatomySystems();

std::string_view italianName(AnatomySystem system);
std::string_view englishName(AnatomySystem system);
std::string_view symbolName(AnatomySystem system);
SystemColor baseColor(AnatomySystem system);
// Depth grows from the surface inwards: 0 skin, 1 muscles, 5 skeleton.
int defaultLayerDepth(AnatomySystem system);

// Systems shown when a dataset is first opened.
const std::set<AnatomySystem>& defaultVisibleSystems();

void to_json(nlohmann::json& json, AnatomySystem system);
void from_json(const nlohmann::json& json, AnatomySystem& system);

} // namespace morvena
