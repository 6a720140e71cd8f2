#pragma once

#include <filesystem>
#include <string_view>

namespace morvena {

// A dataset folder built aside and put in place whole. An import writes its
// pack, database and manifest into the hidden sibling "." + id + ".incoming"
// of the dataset's folder; install() swaps it in, as a downloaded archive is
// installed. Until then the installed dataset stays exactly as it was, and a
// staging folder that is never installed is removed with the object.
class StagedDataset {
public:
    // Removes a staging folder left by an earlier failed run and creates an
    // empty one. Throws AppPaths::InvalidDatasetID for an unusable id and
    // FileError when the folder cannot be created.
    explicit StagedDataset(std::string_view datasetID);
    ~StagedDataset();
    StagedDataset(const StagedDataset&) = delete;
    StagedDataset& operator=(const StagedDataset&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& target() const { return target_; }

    // Makes the staging folder the dataset's folder. The old folder, with
    // everything in it (the database's -wal, -shm and -journal files too), is
    // set aside and removed; when the swap fails it is put back and FileError
    // is thrown.
    void install();

private:
    std::filesystem::path target_;
    std::filesystem::path folder_;
    bool installed_ = false;
};

} // namespace morvena
