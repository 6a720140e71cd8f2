#include "mrvtool/DatasetChoice.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "mrvtool/Refusal.h"

namespace morvena::tool {

std::optional<std::string> resolveDatasetID(const Args& args)
{
    if (auto id = args.option("id")) {
        // The id names a folder: one that would leave the datasets folder is refused.
        AppPaths::validateDatasetID(*id);
        return id;
    }
    auto installed = DatasetManifest::installed();
    auto lastUsed = Preferences::shared().lastDatasetID();
    if (!lastUsed.empty()) {
        for (const auto& manifest : installed)
            if (manifest.id == lastUsed)
                return lastUsed;
    }
    if (!installed.empty())
        return installed.front().id;
    return std::nullopt;
}

std::string requireDatasetID(const Args& args, std::string_view refusal)
{
    auto id = resolveDatasetID(args);
    if (!id)
        refuse(refusal);
    return *id;
}

} // namespace morvena::tool
