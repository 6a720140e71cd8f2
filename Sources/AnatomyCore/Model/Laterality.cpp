#include "AnatomyCore/Model/Laterality.h"

#include "AnatomyCore/Model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <array>
#include <utility>

namespace morvena {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, lateralityCount> sideNames {{
    {"Impari / mediano", "Unpaired / median"},
    {"Sinistro", "Left"},
    {"Destro", "Right"},
}};

std::size_t indexOf(Laterality side)
{
    auto raw = rawValue(side);
    return raw < lateralityCount ? raw : 0;
}

} // namespace

std::optional<Laterality> laterality(std::uint32_t raw)
{
    if (raw >= lateralityCount)
        return std::nullopt;
    return static_cast<Laterality>(raw);
}

std::string_view italianName(Laterality side)
{
    return sideNames[indexOf(side)].first;
}
std::string_view englishName(Laterality side)
{
    return sideNames[indexOf(side)].second;
}

void to_json(nlohmann::json& json, Laterality side)
{
    json = rawValue(side);
}

void from_json(const nlohmann::json& json, Laterality& side)
{
    auto value = laterality(decodeRawNumber(json, "Laterality"));
    if (!value)
        throw DecodingError("valore di Laterality fuori intervallo: " + json.dump());
    side = *value;
}

} // namespace morvena
