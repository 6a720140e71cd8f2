#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Support/FailureText.h"
#include "AnatomyUI/Model/JobStopFlag.h"

#include <QCoreApplication>

#include <exception>
#include <mutex>

namespace morvena {

namespace {

using Stage = DatasetDownload::Stage;

// Shown when something other than an exception with a message stops a job.
constexpr const char* unexpectedCatalogFailure = "Impossibile leggere il catalogo dei dataset.";
constexpr const char* unexpectedDownloadFailure = "Impossibile avviare il download.";

std::string messageOf(const std::exception_ptr& failure, const char* otherwise)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return FailureText::of(error);
    } catch (...) {
        return otherwise;
    }
}

// The version of the running viewer, as main set it; "0" when unknown.
std::string runningVersion()
{
    auto version = QCoreApplication::applicationVersion().toStdString();
    return version.empty() ? "0" : version;
}

} // namespace

// The latest transfer report of one download not yet applied. Reports arrive far
// faster than the GUI thread can use them, so one queued call at a time carries
// whichever is latest when it runs.
struct AppModel::DownloadProgressSlot {
    std::mutex mutex;
    std::optional<Stage> latest;

    // Keeps the report; true when no queued call is waiting to take one.
    bool put(const Stage& stage)
    {
        std::lock_guard lock(mutex);
        const bool waiting = latest.has_value();
        latest = stage;
        return !waiting;
    }
    std::optional<Stage> take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(latest, std::nullopt);
    }
};

void AppModel::refreshCatalog()
{
    if (isLoadingCatalog_)
        return;
    assign(isLoadingCatalog_, true, Field::isLoadingCatalog);
    assign(catalogError_, std::optional<std::string> {}, Field::catalogError);
    auto address = services_.catalogAddress.empty() ? DatasetCatalog::url() : services_.catalogAddress;
    auto load = services_.loadCatalog;
    if (!load)
        load = [](const std::string& from, const std::atomic<bool>& stop) {
            return DatasetCatalog::load(from, stop);
        };
    try {
        catalogJob_ = startJob([this, address, load](std::stop_token token) {
            JobStopFlag stop(std::move(token));
            try {
                auto catalog = load(address, stop.flag());
                post([this, catalog = std::move(catalog)]() mutable {
                    finishCatalogFetch(std::move(catalog), std::nullopt);
                });
            } catch (...) {
                post([this, message = messageOf(std::current_exception(), unexpectedCatalogFailure)] {
                    finishCatalogFetch(std::nullopt, message);
                });
            }
        });
    } catch (...) {
        finishCatalogFetch(std::nullopt, messageOf(std::current_exception(), unexpectedCatalogFailure));
    }
}

void AppModel::finishCatalogFetch(std::optional<DatasetCatalog> catalog, std::optional<std::string> error)
{
    if (catalogJob_.joinable())
        catalogJob_.join(); // it has posted its last word
    if (catalog) {
        assign(catalog_, std::move(catalog), Field::catalog);
        noteAvailableUpdate(*catalog_);
    } else {
        assign(catalogError_, std::move(error), Field::catalogError);
    }
    assign(isLoadingCatalog_, false, Field::isLoadingCatalog);
}

void AppModel::noteAvailableUpdate(const DatasetCatalog& catalog)
{
    if (!catalog.macApp)
        return;
    std::optional<DatasetCatalog::AppRelease> newer;
    if (DatasetCatalog::isNewer(catalog.macApp->version, runningVersion()))
        newer = catalog.macApp;
    assign(availableUpdate_, std::move(newer), Field::availableUpdate);
}

void AppModel::downloadDataset(const DatasetCatalog::Entry& entry)
{
    if (isWritingDataset())
        return;
    assign(downloadStage_, std::optional(Stage::preparing()), Field::downloadStage);
    const auto generation = ++downloadGeneration_;
    try {
        auto handler = stageHandler(generation, entry.id);
        download_ = services_.makeDownload ? services_.makeDownload(entry, std::move(handler))
                                           : std::make_unique<DatasetDownload>(entry, std::move(handler));
        download_->start();
    } catch (...) {
        download_.reset();
        assign(downloadStage_,
            std::optional(Stage::failed(messageOf(std::current_exception(), unexpectedDownloadFailure))),
            Field::downloadStage);
    }
}

// Runs on the download's thread (or inside start()); the stages reach the model
// in the order they were reported, transfer reports folded into the latest one.
DatasetDownload::StageHandler AppModel::stageHandler(std::uint64_t generation, std::string datasetID)
{
    auto slot = std::make_shared<DownloadProgressSlot>();
    return [this, generation, slot, datasetID = std::move(datasetID)](const Stage& stage) {
        if (stage.kind != Stage::Kind::downloading) {
            post([this, generation, stage, datasetID] { applyDownloadStage(stage, generation, datasetID); });
            return;
        }
        if (!slot->put(stage))
            return; // the queued call will carry this one
        post([this, generation, slot, datasetID] {
            if (auto latest = slot->take())
                applyDownloadStage(*latest, generation, datasetID);
        });
    };
}

void AppModel::applyDownloadStage(const Stage& stage, std::uint64_t generation, const std::string& datasetID)
{
    if (generation != downloadGeneration_ || !download_)
        return; // from a download that was cancelled or has ended
    assign(downloadStage_, std::optional(stage), Field::downloadStage);
    if (stage.kind == Stage::Kind::failed) {
        download_.reset(); // the failed stage stays for the setup screen to show
    } else if (stage.kind == Stage::Kind::done) {
        download_.reset();
        assign(downloadStage_, std::optional<Stage> {}, Field::downloadStage);
        refreshInstalledDatasets();
        load(datasetID);
        tellOfKeptDatabase(stage.keptDatabase);
    }
}

void AppModel::cancelDownload()
{
    ++downloadGeneration_;
    const bool wasRunning = download_ != nullptr;
    download_.reset(); // stops the transfer or the installation and waits for it
    assign(downloadStage_, std::optional<Stage> {}, Field::downloadStage);
    // The new folder may have taken the old one's place just before the stop.
    if (wasRunning)
        refreshInstalledDatasets();
}

} // namespace morvena
