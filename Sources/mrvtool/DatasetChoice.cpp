#include "mrvtool/DatasetChoice.h"

#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/FolderSwap.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyCore/Support/FileError.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Refusal.h"

namespace morvena::tool {

std::optional<std::string> resolveDatasetID(const Args& args)
{
    if (auto id = args.option("id")) {
        // The id names a folder: one that would leave the datasets folder is refused.
        AppPaths::validateDatasetID(*id);
        // A crash between the renames of an install leaves the folder set aside;
        // it is put back here as the listing below puts it back.
        FolderSwap::putBackWhereFree(AppPaths::datasetsDirectory());
        return id;
    }
    auto scan = DatasetManifest::scanInstalled();
    const auto& installed = scan.manifests;
    auto lastUsed = Preferences::shared().lastDatasetID();
    if (!lastUsed.empty()) {
        for (const auto& manifest : installed)
            if (manifest.id == lastUsed)
                return lastUsed;
    }
    if (!installed.empty())
        return installed.front().id;
    // Not "no dataset": the folder that would tell could not be read.
    if (scan.listingFailure)
        throw Fail(*scan.listingFailure);
    return std::nullopt;
}

std::string requireDatasetID(const Args& args, std::string_view refusal)
{
    auto id = resolveDatasetID(args);
    if (!id)
        refuse(refusal);
    return *id;
}

DatasetManifest requireManifest(const std::string& id)
{
    const std::string unreadable
        = "Manifest illeggibile per il dataset " + AppPaths::quotedDatasetID(id) + ": ";
    try {
        return DatasetManifest::load(AppPaths::manifestURL(id));
    } catch (const FileError& error) {
        throw Fail(unreadable + error.reason() + ".");
    } catch (const DecodingError& error) {
        throw Fail(unreadable + error.what() + ".");
    }
}

} // namespace morvena::tool
