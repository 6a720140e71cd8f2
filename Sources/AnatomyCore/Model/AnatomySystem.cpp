#include "AnatomyCore/Model/AnatomySystem.h"

#include "AnatomyCore/Model/DecodingError.h"

#include <nlohmann/json.hpp>

namespace morvena {

namespace {

struct SystemNames {
    std::string_view italian;
    std::string_view english;
    std::string_view symbol;
};

constexpr std::array<SystemNames, anatomySystemCount> systemNames {{
    {"Non classificato", "Unclassified", "questionmark.circle"},
    {"Scheletro", "Skeletal system", "figure.stand"},
    {"Muscoli", "Muscular system", "figure.arms.open"},
    {"Tendini", "Tendons", "point.topleft.down.to.point.bottomright.curvepath"},
    {"Legamenti", "Ligaments", "link"},
    {"Cartilagini", "Cartilage", "circle.dashed"},
    {"Articolazioni", "Joints", "circle.circle"},
    {"Sistema nervoso", "Nervous system", "brain.head.profile"},
    {"Arterie", "Arteries", "arrow.triangle.branch"},
    {"Vene", "Veins", "arrow.triangle.merge"},
    {"Cuore", "Heart", "heart.fill"},
    {"Apparato respiratorio", "Respiratory system", "lungs.fill"},
    {"Apparato digerente", "Digestive system", "fork.knife"},
    {"Apparato urogenitale", "Urogenital system", "drop.fill"},
    {"Sistema endocrino", "Endocrine system", "circle.hexagongrid.fill"},
    {"Sistema linfatico", "Lymphatic system", "allergens"},
    {"Organi di senso", "Sense organs", "eye.fill"},
    {"Cute e tessuti superficiali", "Skin and superficial tissues", "hand.raised.fill"},
}};

// Three parallel tables indexed by raw value.
constexpr std::array<float, anatomySystemCount> colorRed {0.600f, 0.925f, 0.667f, 0.902f, 0.839f, 0.776f,
    0.690f, 0.945f, 0.796f, 0.231f, 0.639f, 0.863f, 0.780f, 0.682f, 0.792f, 0.561f, 0.698f, 0.902f};
constexpr std::array<float, anatomySystemCount> colorGreen {0.620f, 0.906f, 0.200f, 0.886f, 0.800f, 0.831f,
    0.745f, 0.843f, 0.157f, 0.353f, 0.188f, 0.631f, 0.584f, 0.471f, 0.561f, 0.769f, 0.780f, 0.776f};
constexpr std::array<float, anatomySystemCount> colorBlue {0.650f, 0.843f, 0.192f, 0.812f, 0.620f, 0.851f,
    0.780f, 0.337f, 0.149f, 0.651f, 0.235f, 0.631f, 0.408f, 0.447f, 0.741f, 0.639f, 0.863f, 0.690f};

// Layer depth for raw values 1 to 17; unclassified (and anything else) gets 3.
constexpr std::array<int, anatomySystemCount - 1> layerDepths {
    5, 1, 2, 3, 4, 3, 2, 2, 2, 3, 3, 3, 3, 2, 2, 2, 0};
constexpr int unclassifiedLayerDepth = 3;

constexpr std::array<AnatomySystem, anatomySystemCount> allSystems = [] {
    std::array<AnatomySystem, anatomySystemCount> systems {};
    for (std::uint32_t raw = 0; raw < anatomySystemCount; ++raw)
        systems[raw] = static_cast<AnatomySystem>(raw);
    return systems;
}();

std::size_t indexOf(AnatomySystem system)
{
    auto raw = rawValue(system);
    return raw < anatomySystemCount ? raw : 0;
}

} // namespace

std::optional<AnatomySystem> anatomySystem(std::uint32_t raw)
{
    if (raw >= anatomySystemCount)
        return std::nullopt;
    return static_cast<AnatomySystem>(raw);
}

std::span<const AnatomySystem> allAnatomySystems()
{
    return allSystems;
}

std::string_view italianName(AnatomySystem system)
{
    return systemNames[indexOf(system)].italian;
}
std::string_view englishName(AnatomySystem system)
{
    return systemNames[indexOf(system)].english;
}
std::string_view symbolName(AnatomySystem system)
{
    return systemNames[indexOf(system)].symbol;
}

SystemColor baseColor(AnatomySystem system)
{
    auto i = indexOf(system);
    return {colorRed[i], colorGreen[i], colorBlue[i]};
}

int defaultLayerDepth(AnatomySystem system)
{
    auto raw = rawValue(system);
    if (raw >= 1 && raw < anatomySystemCount)
        return layerDepths[raw - 1];
    return unclassifiedLayerDepth;
}

const std::set<AnatomySystem>& defaultVisibleSystems()
{
    static const std::set<AnatomySystem> systems {AnatomySystem::skeletal, AnatomySystem::muscular};
    return systems;
}

void to_json(nlohmann::json& json, AnatomySystem system)
{
    json = rawValue(system);
}

void from_json(const nlohmann::json& json, AnatomySystem& system)
{
    auto value = anatomySystem(decodeRawNumber(json, "AnatomySystem"));
    if (!value)
        throw DecodingError("valore di AnatomySystem fuori intervallo: " + json.dump());
    system = *value;
}

} // namespace morvena
