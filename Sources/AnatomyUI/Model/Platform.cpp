#include "AnatomyUI/Model/Platform.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyRender/PNGEncoder.h"

#include <system_error>

namespace morvena::Platform {

std::filesystem::path exportDirectory()
{
    auto pictures = AppPaths::screenshotsDirectory();
    std::error_code error;
    std::filesystem::create_directories(pictures, error);
    if (std::filesystem::is_directory(pictures, error))
        return pictures;
    return AppPaths::temporaryDirectory() / "Morvena";
}

std::optional<std::string> pngData(const RenderedImage& image)
{
    return PNGEncoder::encode(image);
}

} // namespace morvena::Platform
