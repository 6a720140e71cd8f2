#include "AnatomyCore/Model/BodyRegion.h"

#include "AnatomyCore/Model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <array>
#include <utility>

namespace morvena {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, bodyRegionCount> regionNames {{
    {"Regione non determinata", "Region not determined"},
    {"Testa", "Head"},
    {"Collo", "Neck"},
    {"Torace", "Thorax"},
    {"Addome", "Abdomen"},
    {"Pelvi", "Pelvis"},
    {"Dorso", "Back"},
    {"Arto superiore", "Upper limb"},
    {"Arto inferiore", "Lower limb"},
    {"Corpo intero", "Whole body"},
}};

constexpr std::array<BodyRegion, bodyRegionCount> allRegions = [] {
    std::array<BodyRegion, bodyRegionCount> regions {};
    for (std::uint32_t raw = 0; raw < bodyRegionCount; ++raw)
        regions[raw] = static_cast<BodyRegion>(raw);
    return regions;
}();

std::size_t indexOf(BodyRegion region)
{
    auto raw = rawValue(region);
    return raw < bodyRegionCount ? raw : 0;
}

} // namespace

std::optional<BodyRegion> bodyRegion(std::uint32_t raw)
{
    if (raw >= bodyRegionCount)
        return std::nullopt;
    return static_cast<BodyRegion>(raw);
}

std::span<const BodyRegion> allBodyRegions()
{
    return allRegions;
}
std::string_view italianName(BodyRegion region)
{
    return regionNames[indexOf(region)].first;
}
std::string_view englishName(BodyRegion region)
{
    return regionNames[indexOf(region)].second;
}

void to_json(nlohmann::json& json, BodyRegion region)
{
    json = rawValue(region);
}

void from_json(const nlohmann::json& json, BodyRegion& region)
{
    auto value = bodyRegion(decodeRawNumber(json, "BodyRegion"));
    if (!value)
        throw DecodingError("valore di BodyRegion fuori intervallo: " + json.dump());
    region = *value;
}

} // namespace morvena
