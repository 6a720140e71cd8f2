#include "AnatomyUI/Model/ExportImageSize.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace morvena {

namespace {

constexpr std::int64_t smallestSide = 2;
// Far beyond any GPU's limit; keeps the products below within 64 bits.
constexpr float largestDrawableSide = 1 << 24;

std::int64_t scaledSide(float drawable, int scale)
{
    if (!(drawable > 0))
        return 0;
    return static_cast<std::int64_t>(std::min(drawable, largestDrawableSide)) * scale;
}

std::int64_t evenSide(std::int64_t side)
{
    return side > 3 ? side - side % 2 : smallestSide;
}

} // namespace

ExportImageSize ExportImageSize::of(float2 drawableSize, int scale, ExportImageSize largest)
{
    const auto width = evenSide(scaledSide(drawableSize.x, scale));
    const auto height = evenSide(scaledSide(drawableSize.y, scale));
    const double factor = std::min({1.0, static_cast<double>(largest.width) / static_cast<double>(width),
        static_cast<double>(largest.height) / static_cast<double>(height)});
    if (factor >= 1)
        return {static_cast<int>(width), static_cast<int>(height)};
    auto shrunk = [factor](std::int64_t side) {
        const auto scaled = static_cast<std::int64_t>(std::floor(static_cast<double>(side) * factor));
        return static_cast<int>(std::max(smallestSide, scaled - scaled % 2));
    };
    return {shrunk(width), shrunk(height)};
}

} // namespace morvena
