#include "AnatomyRender/BackgroundPalette.h"

namespace morvena {

namespace {

constexpr std::array<BackgroundPalette, 3> palettes {
    BackgroundPalette::neutro, BackgroundPalette::avorio, BackgroundPalette::clinico};
constexpr std::array<std::string_view, 3> names {"Neutro", "Avorio", "Clinico"};
constexpr std::array<std::array<Float3, 2>, 3> paletteColors {{
    {Float3 {0.957f, 0.963f, 0.973f}, Float3 {0.812f, 0.831f, 0.863f}},
    {Float3 {0.976f, 0.969f, 0.953f}, Float3 {0.886f, 0.865f, 0.831f}},
    {Float3 {0.941f, 0.961f, 0.984f}, Float3 {0.765f, 0.827f, 0.91f}},
}};

std::size_t indexOf(BackgroundPalette palette)
{
    auto raw = rawValue(palette);
    return raw >= 0 && raw < 3 ? static_cast<std::size_t>(raw) : 0;
}

} // namespace

std::optional<BackgroundPalette> backgroundPalette(int raw)
{
    if (raw < 0 || raw >= 3)
        return std::nullopt;
    return static_cast<BackgroundPalette>(raw);
}

std::span<const BackgroundPalette> allBackgroundPalettes()
{
    return palettes;
}
std::string_view italianName(BackgroundPalette palette)
{
    return names[indexOf(palette)];
}
std::array<Float3, 2> colors(BackgroundPalette palette)
{
    return paletteColors[indexOf(palette)];
}

std::array<Float3, 2> darkBackgroundColors()
{
    return {Float3 {0.088f, 0.096f, 0.112f}, Float3 {0.028f, 0.032f, 0.04f}};
}

} // namespace morvena
