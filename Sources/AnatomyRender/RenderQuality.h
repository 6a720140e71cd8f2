#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace morvena {

// Trade-off between image quality and speed. Raw values are stored in the preferences.
enum class RenderQuality : int {
    standard = 0,
    alta = 1,
    prestazioni = 2,
};

std::optional<RenderQuality> renderQuality(int rawValue);
constexpr int rawValue(RenderQuality quality)
{
    return static_cast<int>(quality);
}
std::span<const RenderQuality> allRenderQualities();
std::string_view italianName(RenderQuality quality);

// Multisample count asked of the scene targets; the renderer clamps it to what the GPU offers.
int sampleCount(RenderQuality quality);
bool hasAmbientOcclusion(RenderQuality quality);
// The occlusion targets are the scene size divided by this.
int ambientOcclusionDivisor(RenderQuality quality);

} // namespace morvena
