#pragma once

#include "AnatomyRender/RenderedImage.h"

#include <optional>
#include <string>

namespace morvena {

// PNG files of rendered images, through libpng.
namespace PNGEncoder {

// The image as an 8-bit RGB PNG (the renderer's ignored fourth byte is dropped);
// none when libpng fails or the image's pixels do not match its size.
std::optional<std::string> encode(const RenderedImage& image);

} // namespace PNGEncoder

} // namespace morvena
