#include "AnatomyUI/Model/SystemPreset.h"

#include <array>

namespace morvena {

namespace {

struct PresetRow {
    SystemPreset preset;
    std::string_view rawValue;
    std::string_view italianName;
    std::string_view symbol;
};

constexpr std::array<PresetRow, 7> presetRows {{
    {SystemPreset::superficie, "superficie", "Superficie", "hand.raised.fill"},
    {SystemPreset::muscolare, "muscolare", "Muscoli", "figure.arms.open"},
    {SystemPreset::scheletrico, "scheletrico", "Scheletro", "figure.stand"},
    {SystemPreset::vascolare, "vascolare", "Vasi", "heart.fill"},
    {SystemPreset::nervoso, "nervoso", "Nervi", "brain.head.profile"},
    {SystemPreset::viscerale, "viscerale", "Visceri", "lungs.fill"},
    {SystemPreset::completo, "completo", "Tutto", "square.stack.3d.up.fill"},
}};

constexpr std::array<SystemPreset, 7> presetOrder {SystemPreset::superficie, SystemPreset::muscolare,
    SystemPreset::scheletrico, SystemPreset::vascolare, SystemPreset::nervoso, SystemPreset::viscerale,
    SystemPreset::completo};

const PresetRow& row(SystemPreset preset)
{
    return presetRows[static_cast<std::size_t>(preset)];
}

// The skeleton shown behind another system stays as a faint outline.
constexpr float outlineOpacity = 0.18f;

} // namespace

std::span<const SystemPreset> allSystemPresets()
{
    return presetOrder;
}

std::string_view rawValue(SystemPreset preset)
{
    return row(preset).rawValue;
}

std::optional<SystemPreset> systemPreset(std::string_view rawValue)
{
    for (const auto& candidate : presetRows)
        if (candidate.rawValue == rawValue)
            return candidate.preset;
    return std::nullopt;
}

std::string_view italianName(SystemPreset preset)
{
    return row(preset).italianName;
}

std::string_view symbolName(SystemPreset preset)
{
    return row(preset).symbol;
}

SystemPresetConfiguration configuration(SystemPreset preset)
{
    using enum AnatomySystem;
    switch (preset) {
    case SystemPreset::superficie:
        return {{integument}, {}};
    case SystemPreset::muscolare:
        return {{muscular, tendon, skeletal}, {{skeletal, 0.55f}}};
    case SystemPreset::scheletrico:
        return {{skeletal, cartilage, ligament, joint}, {}};
    case SystemPreset::vascolare:
        return {{arterial, venous, cardiac, lymphatic, skeletal}, {{skeletal, outlineOpacity}}};
    case SystemPreset::nervoso:
        return {{nervous, sense, skeletal}, {{skeletal, outlineOpacity}}};
    case SystemPreset::viscerale:
        return {
            {digestive, respiratory, urogenital, endocrine, cardiac, skeletal}, {{skeletal, outlineOpacity}}};
    case SystemPreset::completo:
        break;
    }
    auto all = allAnatomySystems();
    return {{all.begin(), all.end()}, {{integument, 0.25f}, {muscular, 0.75f}}};
}

} // namespace morvena
