#pragma once

#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace morvena {

// Downloads the archive of one catalog entry, resuming after interruptions,
// and installs it as the dataset's folder, reporting each step as a Stage.
//
// start() reports `preparing` (or a failure for an unusable entry) on the
// caller's thread; everything after that (transfer, resumptions, checksum,
// extraction, folder swap) runs on the download's own worker thread, which
// calls the stage handler. Once cancel() has returned no further stage is
// reported. Destroying the object cancels the download and waits for its
// thread.
class DatasetDownload {
public:
    struct Stage {
        enum class Kind { downloading, failed, preparing, verifying, installing, done };

        Kind kind = Kind::preparing;
        std::int64_t received = 0; // downloading only
        std::int64_t total = 0; // downloading only
        std::string message; // failed only: the Italian text to show
        // done only: the installed database SQLite found damaged, kept with
        // what could not be read of it (FolderSwap::replaceDataset).
        std::optional<DamagedDatabase::Kept> keptDatabase;

        static Stage downloading(std::int64_t received, std::int64_t total);
        static Stage failed(std::string message);
        static Stage preparing() { return {Kind::preparing}; }
        static Stage verifying() { return {Kind::verifying}; }
        static Stage installing() { return {Kind::installing}; }
        static Stage done(std::optional<DamagedDatabase::Kept> keptDatabase = std::nullopt)
        {
            return {Kind::done, 0, 0, {}, std::move(keptDatabase)};
        }

        // What a progress bar shows: the transfer fills at most 90 percent.
        double fraction() const;
        bool operator==(const Stage&) const = default;
    };

    using StageHandler = std::function<void(const Stage&)>;

    DatasetDownload(DatasetCatalog::Entry entry, StageHandler onStage);
    ~DatasetDownload();
    DatasetDownload(const DatasetDownload&) = delete;
    DatasetDownload& operator=(const DatasetDownload&) = delete;

    const DatasetCatalog::Entry& entry() const;
    // Begins the transfer; later calls do nothing.
    void start();
    // Stops the transfer or the installation; the installed dataset stays as it
    // was unless the new one already took its place. Reports nothing more.
    void cancel();

private:
    struct Worker;
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
};

} // namespace morvena
