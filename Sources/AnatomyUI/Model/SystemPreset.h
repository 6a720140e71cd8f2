#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string_view>

namespace morvena {

// The ready-made choices of body systems offered by the sidebar.
enum class SystemPreset { superficie, muscolare, scheletrico, vascolare, nervoso, viscerale, completo };

// Which systems a preset shows, and which of those it fades and how far.
struct SystemPresetConfiguration {
    std::set<AnatomySystem> visible;
    std::map<AnatomySystem, float> faded;
};

std::span<const SystemPreset> allSystemPresets();
std::string_view rawValue(SystemPreset preset);
std::optional<SystemPreset> systemPreset(std::string_view rawValue);
std::string_view italianName(SystemPreset preset);
// The symbol's name in the viewer's icon set.
std::string_view symbolName(SystemPreset preset);
SystemPresetConfiguration configuration(SystemPreset preset);

} // namespace morvena
