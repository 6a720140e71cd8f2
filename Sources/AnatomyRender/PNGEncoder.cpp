#include "AnatomyRender/PNGEncoder.h"

#include <png.h>

#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace morvena::PNGEncoder {

std::optional<std::string> encode(const RenderedImage& image)
{
    if (image.width < 1 || image.height < 1)
        return std::nullopt;
    auto width = static_cast<std::size_t>(image.width);
    auto height = static_cast<std::size_t>(image.height);
    if (image.pixels.size() != image.bytesPerRow() * height)
        return std::nullopt;
    try {
        // The simplified writer keeps libpng's longjmp error handling inside libpng.
        std::vector<std::uint8_t> rgb(width * height * 3);
        for (std::size_t i = 0, pixels = width * height; i < pixels; ++i) {
            const auto* bgrx = image.pixels.data() + i * 4;
            rgb[i * 3] = bgrx[2];
            rgb[i * 3 + 1] = bgrx[1];
            rgb[i * 3 + 2] = bgrx[0];
        }
        png_image png;
        std::memset(&png, 0, sizeof png);
        png.version = PNG_IMAGE_VERSION;
        png.width = static_cast<png_uint_32>(width);
        png.height = static_cast<png_uint_32>(height);
        png.format = PNG_FORMAT_RGB;
        png_alloc_size_t capacity = PNG_IMAGE_PNG_SIZE_MAX(png);
        std::string bytes(capacity, '\0');
        png_alloc_size_t size = capacity;
        if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, rgb.data(), 0, nullptr)
            || size > capacity) {
            png_image_free(&png);
            return std::nullopt;
        }
        bytes.resize(size);
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace morvena::PNGEncoder
