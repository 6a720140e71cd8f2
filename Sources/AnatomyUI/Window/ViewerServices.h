#pragma once

#include "AnatomyUI/Model/AppModelServices.h"

#include <filesystem>
#include <optional>
#include <string>

namespace morvena {

class SharedGLContext;

// What the window gives its model: renderers made and destroyed in the window's
// shared GL context, that context made current on request, the save panel of the
// image export, and the boxes that tell of a failure and of a notice.
namespace ViewerServices {

// Without a context (no OpenGL 4.5 on this computer) every renderer fails with
// RendererError::noDevice and making current does nothing. The context must outlive
// the model.
AppModelServices make(SharedGLContext* context);

// The image export's save panel, opening in `folder` with the file name proposed;
// none when cancelled.
std::optional<std::filesystem::path> askWhereToSave(
    const std::filesystem::path& folder, const std::string& fileName);

// A warning box with the message, run modally.
void showFailure(const std::string& message);
// An information box with the message, which can be selected and copied, run modally.
void showNotice(const std::string& message);

} // namespace ViewerServices

} // namespace morvena
