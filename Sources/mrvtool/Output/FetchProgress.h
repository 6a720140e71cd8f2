#pragma once

#include "AnatomyCore/Download/DatasetDownload.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace morvena::tool {

// The progress of fetch-dataset, shared between the command's thread and the
// download's worker, which reports the stages: one terminal line rewritten in
// place on standard error, and the download's failure message once it failed.
class FetchProgress {
public:
    // Records the stage and returns the text to write for it (empty for none).
    // The text is written by the caller, outside the lock.
    std::string record(const DatasetDownload::Stage& stage);
    std::optional<std::string> failure() const;
    // Where the installation kept a damaged installed database, once done.
    std::optional<DamagedDatabase::Kept> keptDatabase() const;

private:
    mutable std::mutex lock_;
    int lastPercent_ = -1;
    std::optional<std::string> message_;
    std::optional<DamagedDatabase::Kept> keptDatabase_;
};

} // namespace morvena::tool
