#include "AnatomyImport/DatasetStaging.h"

#include "AnatomyCore/AppPaths.h"
#include "AnatomyCore/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
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
    , previous_(AppPaths::datasetsDirectory() / ("." + std::string(datasetID) + ".previous"))
{
    removeQuietly(staging_);
    std::error_code error;
    fs::create_directories(AppPaths::datasetsDirectory(), error);
    if (error)
        throw FileError("Impossibile creare la cartella", AppPaths::datasetsDirectory(), error);
    if (::mkdir(staging_.c_str(), 0755) != 0)
        throw FileError("Impossibile creare la cartella", staging_, errno);
}

DatasetStaging::~DatasetStaging()
{
    // After an exchange the replaced dataset lies at the staging path.
    removeQuietly(staging_);
}

void DatasetStaging::commit()
{
    if (committed_)
        return; // a second exchange would bring the old dataset back
    std::error_code error;
    if (!fs::exists(fs::symlink_status(installed_, error))) {
        if (std::rename(staging_.c_str(), installed_.c_str()) != 0)
            throw FileError("Impossibile installare il dataset in", installed_, errno);
        committed_ = true;
        return;
    }
    if (::renameat2(AT_FDCWD, staging_.c_str(), AT_FDCWD, installed_.c_str(), RENAME_EXCHANGE) == 0) {
        committed_ = true;
        return;
    }
    if (errno != EINVAL && errno != ENOSYS)
        throw FileError("Impossibile installare il dataset in", installed_, errno);
    // No atomic exchange here: set the old folder aside, and put it back when
    // the new one cannot take its place.
    removeQuietly(previous_);
    if (std::rename(installed_.c_str(), previous_.c_str()) != 0)
        throw FileError("Impossibile spostare il dataset precedente", installed_, errno);
    if (std::rename(staging_.c_str(), installed_.c_str()) != 0) {
        const int reason = errno;
        std::rename(previous_.c_str(), installed_.c_str());
        throw FileError("Impossibile installare il dataset in", installed_, reason);
    }
    removeQuietly(previous_);
    committed_ = true;
}

} // namespace morvena
