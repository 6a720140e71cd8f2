#pragma once

#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/DatasetLock.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvena {

// The next version of one dataset's folder, built beside the installed one and
// put in its place in one step. An import writes its pack, database and manifest
// into folder() and calls commit(); until then the installed dataset is
// untouched, and a staging that is never committed is removed with everything
// in it, so a failed import keeps the previous dataset.
//
// The staging folder is the hidden sibling "." + id + ".incoming" of the
// dataset's folder; the installed folder is set aside as "." + id + ".previous"
// only where the file system cannot exchange two folders in one step. The
// staging holds the dataset's lock (DatasetLock) all its life, so one import or
// installation of a dataset runs at a time, in any process.
class DatasetStaging {
public:
    // Checks the id (AppPaths::InvalidDatasetID), takes the dataset's lock
    // (DatasetLock::Busy when another process holds it), puts back a dataset
    // that an interrupted swap set aside (FolderSwap::putBackSetAside, which
    // refuses where something else took its place), removes what an earlier,
    // interrupted import left behind and creates an empty staging folder with
    // the datasets folder above it. Throws FileError when it cannot.
    explicit DatasetStaging(std::string_view datasetID);
    ~DatasetStaging();
    DatasetStaging(const DatasetStaging&) = delete;
    DatasetStaging& operator=(const DatasetStaging&) = delete;

    const std::filesystem::path& folder() const { return staging_; }
    // The dataset's own folder, which commit() replaces.
    const std::filesystem::path& installedFolder() const { return installed_; }

    // Makes the staged folder the dataset's folder and removes the one it
    // replaces, after the user's notes, bookmarks and saved views of the
    // installed database have moved into the staged one. Every file written into
    // the staging folder must be closed. Returns the installed database SQLite
    // found damaged, kept in the new folder (FolderSwap::replaceDataset), or none.
    // Throws FileError or DBError; the installed dataset then stays as it was.
    std::optional<DamagedDatabase::Kept> commit();

private:
    std::filesystem::path installed_;
    std::filesystem::path staging_;
    std::filesystem::path previous_;
    // Released last, once the staging folder is gone.
    DatasetLock lock_;
    bool committed_ = false;
};

} // namespace morvena
