#pragma once

#include "AnatomyCore/Math/Float3.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace morvena {

// The light backgrounds. Raw values are stored in the preferences.
enum class BackgroundPalette : int {
    neutro = 0,
    avorio = 1,
    clinico = 2,
};

std::optional<BackgroundPalette> backgroundPalette(int rawValue);
constexpr int rawValue(BackgroundPalette palette)
{
    return static_cast<int>(palette);
}
std::span<const BackgroundPalette> allBackgroundPalettes();
std::string_view italianName(BackgroundPalette palette);
// The upper and the lower colour of the background gradient, as they appear on screen.
std::array<Float3, 2> colors(BackgroundPalette palette);
// What replaces the palette while the dark background is on.
std::array<Float3, 2> darkBackgroundColors();

} // namespace morvena
