#include "AnatomyCore/Download/DatasetDownload.h"

#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Download/HttpTransfer.h"
#include "AnatomyCore/Download/Internal/ResumableTransfer.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/FailureText.h"
#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyCore/Support/SystemText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <mutex>
#include <vector>

namespace morvena {

namespace {

using Stage = DatasetDownload::Stage;

// How much more than the catalog's archive size a transfer may bring before it
// is stopped: servers and catalogs disagree by a little, never by much.
std::int64_t sizeCap(std::int64_t archiveBytes)
{
    const std::int64_t base = std::max<std::int64_t>(archiveBytes, 0);
    const std::int64_t margin = std::max<std::int64_t>(base / 10, 1 << 20);
    return base > std::numeric_limits<std::int64_t>::max() - margin ? std::numeric_limits<std::int64_t>::max()
                                                                    : base + margin;
}

// The failure of the call that just set errno.
std::runtime_error savingFailure()
{
    return std::runtime_error("Non è stato possibile salvare l'archivio scaricato: "
        + SystemText::reason(std::error_code(errno, std::generic_category())));
}

// A folder only this user can enter, with a name nobody can guess, for the
// archive while it downloads; removed with its contents when the object goes.
class StagingFolder {
public:
    StagingFolder()
    {
        std::string pattern = (AppPaths::temporaryDirectory() / "mrvz-download-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data()))
            throw savingFailure();
        path_ = name.data();
    }
    ~StagingFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

FileDescriptor createStagingFile(const std::filesystem::path& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file)
        throw savingFailure();
    return file;
}

// The archive as the installation opens it: through the download's own
// descriptor, so the digest and the extraction read the very file that was
// downloaded, whatever happens to its name meanwhile. Without /proc the name
// in the private staging folder serves.
std::filesystem::path openedArchive(const FileDescriptor& file, const std::filesystem::path& name)
{
    auto path = std::filesystem::path("/proc/self/fd") / std::to_string(file.get());
    struct stat held {
    }, reopened {};
    if (::fstat(file.get(), &held) == 0 && ::stat(path.c_str(), &reopened) == 0
        && held.st_dev == reopened.st_dev && held.st_ino == reopened.st_ino)
        return path;
    return name;
}

} // namespace

Stage DatasetDownload::Stage::downloading(std::int64_t received, std::int64_t total)
{
    return {Kind::downloading, received, total, {}};
}

Stage DatasetDownload::Stage::failed(std::string message)
{
    return {Kind::failed, 0, 0, std::move(message)};
}

double DatasetDownload::Stage::fraction() const
{
    switch (kind) {
    case Kind::downloading:
        if (total < 1)
            return 0.0;
        return std::clamp(static_cast<double>(received) / static_cast<double>(total) * 0.9, 0.0, 0.9);
    case Kind::failed:
    case Kind::done:
        return 1.0;
    case Kind::preparing:
        return 0.0;
    case Kind::verifying:
        return 0.93;
    case Kind::installing:
        return 0.97;
    }
    return 0.0;
}

// The state the worker thread shares with the owner. The thread holds it too,
// so an owner that drops the download from inside a stage handler does not
// pull it away from under the running thread.
struct DatasetDownload::Worker {
    DatasetCatalog::Entry entry;
    StageHandler onStage;
    std::atomic<bool> cancelled {false};
    // Held while the handler runs, so that cancel() can wait for a stage in
    // flight; recursive because a handler may itself cancel.
    std::recursive_mutex reporting;
    bool started = false;

    void report(const Stage& stage)
    {
        std::lock_guard lock(reporting);
        if (!cancelled && onStage)
            onStage(stage);
    }

    // Why the entry cannot be downloaded, checked before any path is made from it.
    std::optional<std::string> refusal(const std::optional<std::string>& address) const
    {
        if (!address)
            return "Indirizzo dell'archivio non valido nel catalogo.";
        try {
            AppPaths::validateDatasetID(entry.id);
        } catch (const AppPaths::InvalidDatasetID& error) {
            return error.what();
        }
        if (!HttpTransfer::isPermittedAddress(*address, false))
            return "Indirizzo dell'archivio rifiutato: " + std::string(HttpTransfer::permittedAddressesText)
                + ".";
        return std::nullopt;
    }

    void run(const std::string& address)
    {
        try {
            transferAndInstall(address);
        } catch (const std::exception& error) {
            report(Stage::failed(FailureText::of(error)));
        }
    }

    void transferAndInstall(const std::string& address)
    {
        StagingFolder folder;
        auto archive = folder.path()
            / ("mrvz-download-" + entry.id + "." + std::string(DatasetArchive::fileExtension));
        FileDescriptor file = createStagingFile(archive);

        ResumableTransfer::Options options;
        options.address = address;
        options.expectedBytes = entry.archiveBytes;
        options.maximumBytes = sizeCap(entry.archiveBytes);
        auto outcome = ResumableTransfer::run(
            options, file.get(), cancelled, [this](std::int64_t received, std::int64_t total) {
                report(Stage::downloading(received, total));
            });
        if (outcome.kind == ResumableTransfer::Outcome::Kind::cancelled || cancelled)
            return;
        if (outcome.kind == ResumableTransfer::Outcome::Kind::failed) {
            report(Stage::failed(outcome.message));
            return;
        }
        AppPaths::ensureDirectories();
        auto target = AppPaths::datasetDirectory(entry.id);
        report(Stage::verifying());
        if (cancelled)
            return;
        auto kept = DatasetArchive::install(
            openedArchive(file, archive), target, entry.sha256, cancelled, entry.installedBytes);
        report(Stage::installing());
        report(Stage::done(std::move(kept)));
    }
};

DatasetDownload::DatasetDownload(DatasetCatalog::Entry entry, StageHandler onStage)
    : worker_(std::make_shared<Worker>())
{
    worker_->entry = std::move(entry);
    worker_->onStage = std::move(onStage);
}

DatasetDownload::~DatasetDownload()
{
    cancel();
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach(); // dropped by its own stage handler; the thread keeps the worker alive
    else
        thread_.join();
}

const DatasetCatalog::Entry& DatasetDownload::entry() const
{
    return worker_->entry;
}

void DatasetDownload::start()
{
    if (worker_->started || worker_->cancelled)
        return;
    worker_->started = true;
    auto address = worker_->entry.archiveURL();
    if (auto refusal = worker_->refusal(address)) {
        worker_->report(Stage::failed(*refusal));
        return;
    }
    worker_->report(Stage::preparing());
    thread_ = std::thread([worker = worker_, address = *address] { worker->run(address); });
}

void DatasetDownload::cancel()
{
    worker_->cancelled = true;
    std::lock_guard wait(worker_->reporting); // a stage being reported finishes first
}

bool DatasetDownload::isCancelled() const
{
    return worker_->cancelled;
}

} // namespace morvena
