#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvena {

// Pixels of an offscreen rendering: 8 bits per channel, in memory blue, green, red and
// an ignored byte, rows from the top of the image down, 4 × width bytes per row.
struct RenderedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::size_t bytesPerRow() const { return static_cast<std::size_t>(width) * 4; }
    // The pixel at column x of row y (0 = top): blue, green, red, ignored.
    const std::uint8_t* pixel(int x, int y) const
    {
        return pixels.data() + static_cast<std::size_t>(y) * bytesPerRow() + static_cast<std::size_t>(x) * 4;
    }
};

} // namespace morvena
