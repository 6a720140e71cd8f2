#include "AnatomyImport/Internal/DatasetStaging.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/FolderSwap.h"
#include "AnatomyCore/Support/FileError.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace morvena {

namespace fs = std::filesystem;

namespace {

void removeQuietly(const fs::path& folder)
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

} // namespace

DatasetStaging::DatasetStaging(std::string_view datasetID)
    : installed_(AppPaths::datasetDirectory(datasetID))
    , staging_(AppPaths::datasetsDirectory() / ("." + std::string(datasetID) + ".incoming"))
    , previous_(FolderSwap::setAsidePath(installed_))
    , lock_(installed_)
{
    FolderSwap::putBackSetAside(installed_, previous_);
    // The lock made the datasets folder; what lies at the staging path is left by
    // an import that ended before its commit.
    removeQuietly(staging_);
    if (::mkdir(staging_.c_str(), 0755) != 0)
        throw FileError("Impossibile creare la cartella", staging_, errno);
}

DatasetStaging::~DatasetStaging()
{
    // After an exchange the replaced dataset lies at the staging path.
    removeQuietly(staging_);
}

std::optional<DamagedDatabase::Kept> DatasetStaging::commit()
{
    if (committed_)
        return std::nullopt; // a second exchange would bring the old dataset back
    auto kept = FolderSwap::replaceDataset(staging_, installed_, previous_);
    committed_ = true;
    return kept;
}

} // namespace morvena
