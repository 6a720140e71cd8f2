#pragma once

#include "AnatomyCore/Support/FileDescriptor.h"

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace morvena {

// One writer per dataset at a time, across processes: an import or an archive
// installation holds the lock of its dataset from the moment it clears the staging
// folder until the new folder is in place, so two of them (two tools, a tool and
// the viewer) can never mix their files in one folder.
//
// The lock is an advisory lock (flock) on the hidden file "." + id + ".lock" beside
// the dataset's folder, removed again by its holder; the kernel releases it when
// the holding process ends in any way.
class DatasetLock {
public:
    // Another process holds the lock of this dataset.
    class Busy : public std::runtime_error {
    public:
        explicit Busy(std::string_view datasetID);
    };

    // Something else stands at the lock file's path (a folder, a link, a
    // socket, another user's file) and keeps every import of the dataset out;
    // the message says what it is and that it can be removed.
    class Obstructed : public std::runtime_error {
    public:
        Obstructed(std::string_view datasetID, const std::filesystem::path& lockFile, std::string_view what);
    };

    // Takes the lock of the dataset whose folder is `datasetFolder`, creating the
    // folder above it when missing. Throws Busy at once when another holds it,
    // Obstructed when something else is in the lock file's way, and FileError
    // when the lock file cannot be made for another reason.
    explicit DatasetLock(const std::filesystem::path& datasetFolder);
    ~DatasetLock();
    DatasetLock(const DatasetLock&) = delete;
    DatasetLock& operator=(const DatasetLock&) = delete;

private:
    std::filesystem::path file_;
    FileDescriptor held_;
};

} // namespace morvena
