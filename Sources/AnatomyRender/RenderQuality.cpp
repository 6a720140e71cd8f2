#include "AnatomyRender/RenderQuality.h"

#include <array>

namespace morvena {

namespace {

constexpr std::array<RenderQuality, 3> qualities {
    RenderQuality::standard, RenderQuality::alta, RenderQuality::prestazioni};
constexpr std::array<std::string_view, 3> names {"Standard", "Alta definizione", "Prestazioni"};
constexpr std::array<int, 3> sampleCounts {4, 8, 2};

std::size_t indexOf(RenderQuality quality)
{
    auto raw = rawValue(quality);
    return raw >= 0 && raw < 3 ? static_cast<std::size_t>(raw) : 0;
}

} // namespace

std::optional<RenderQuality> renderQuality(int raw)
{
    if (raw < 0 || raw >= 3)
        return std::nullopt;
    return static_cast<RenderQuality>(raw);
}

std::span<const RenderQuality> allRenderQualities()
{
    return qualities;
}
std::string_view italianName(RenderQuality quality)
{
    return names[indexOf(quality)];
}
int sampleCount(RenderQuality quality)
{
    return sampleCounts[indexOf(quality)];
}
bool hasAmbientOcclusion(RenderQuality quality)
{
    return quality != RenderQuality::prestazioni;
}
int ambientOcclusionDivisor(RenderQuality quality)
{
    return quality == RenderQuality::alta ? 1 : 2;
}

} // namespace morvena
