#pragma once

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Model/AppModelServices.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace morvena::ModelSeams {

// The model operations and services the window calls, reached where the model has
// them: the view-state and image-export work adds them to AppModel, and until then
// the window's calls do nothing. Written as templates so that the checks see the
// real type.

template <class Model = AppModel> void persistViewState(Model& model)
{
    if constexpr (requires { model.persistViewState(); })
        model.persistViewState();
}

template <class Model = AppModel> void exportScreenshot(Model& model, int scale)
{
    if constexpr (requires { model.exportScreenshot(scale); })
        model.exportScreenshot(scale);
}

using SavePanel = std::function<std::optional<std::filesystem::path>(
    const std::filesystem::path& folder, const std::string& fileName)>;

template <class Services = AppModelServices> void installSavePanel(Services& services, SavePanel panel)
{
    if constexpr (requires { services.savePanel = panel; })
        services.savePanel = std::move(panel);
}

} // namespace morvena::ModelSeams
