#pragma once

#include "AnatomyRender/RenderedImage.h"

#include <filesystem>
#include <optional>
#include <string>

// The two services of the desktop that the image export needs: where exported
// images go and how a rendered image becomes a PNG file.
namespace morvena::Platform {

// The user's pictures folder + "Morvena" (made here when missing), or "Morvena" in
// the temporary folder when that cannot be made. Computed on every call.
std::filesystem::path exportDirectory();
// The image as PNG bytes; none when it cannot be encoded.
std::optional<std::string> pngData(const RenderedImage& image);

} // namespace morvena::Platform
