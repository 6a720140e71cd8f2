#pragma once

#include "ModelTestSupport.h"

#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "HangDeadline.h"
#include "TestHttpServer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stop_token>
#include <thread>

namespace morvena::test {

// Services for a model without GL: a load ends failed, for want of a renderer.
inline AppModelServices servicesWithoutGL(ModelSandbox& sandbox)
{
    AppModelServices services;
    services.preferences = sandbox.preferences.get();
    services.makeRenderer = [](auto, auto) { return std::shared_ptr<AnatomyRenderer>(); };
    services.makeCurrent = [] {};
    return services;
}

// Runs the model's queued calls until `done` holds; false after `limit`.
template <class Condition>
bool runPostedCallsUntil(Condition done, std::chrono::milliseconds limit = hangDeadline)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        runPostedCalls();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Starts the model's jobs on threads that wait at a gate until the test opens it
// or the job is asked to stop.
class JobGate {
public:
    AppModelServices::StartJob starter()
    {
        return [this](std::function<void(std::stop_token)> work) {
            bool passes = false;
            {
                std::lock_guard lock(mutex_);
                ++started_;
                passes = std::exchange(passNext_, false);
            }
            return std::jthread([this, passes, work = std::move(work)](std::stop_token token) {
                if (!passes) {
                    std::unique_lock lock(mutex_);
                    ++waiting_;
                    changed_.notify_all();
                    changed_.wait(lock, token, [this] { return open_; });
                }
                work(token);
            });
        };
    }
    // The next job started runs at once.
    void passNext()
    {
        std::lock_guard lock(mutex_);
        passNext_ = true;
    }
    void open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Waits until a job has reached the gate.
    bool waitForJob()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, hangDeadline, [this] { return waiting_ > 0; });
    }
    int started() const
    {
        std::lock_guard lock(mutex_);
        return started_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    bool open_ = false;
    bool passNext_ = false;
    int started_ = 0;
    int waiting_ = 0;
};

// Every file below a folder with its bytes.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] = readFile(entry.path());
    return files;
}

// A catalog server whose archives are made from test datasets.
struct DatasetServer {
    // Packs the dataset into "<id>.mrvz" on the server; the entry's address
    // carries `query` (the server's misbehaviour).
    DatasetCatalog::Entry publish(const TestDataset& dataset, const std::string& query = "")
    {
        const auto folder = dataset.install(sources.path());
        auto created = DatasetArchive::create(folder, root / (dataset.id() + ".mrvz"));
        DatasetCatalog::Entry entry;
        for (const auto& file : std::filesystem::directory_iterator(folder))
            entry.installedBytes += static_cast<std::int64_t>(file.file_size());
        entry.id = dataset.id();
        entry.displayName = "Dataset " + dataset.id();
        entry.version = "1";
        entry.archive = server.address(dataset.id() + ".mrvz" + query);
        entry.archiveBytes = created.bytes;
        entry.sha256 = created.sha256;
        return entry;
    }
    // An entry whose archive (random bytes, never installable) takes minutes
    // to arrive: the server sends it slowly.
    DatasetCatalog::Entry publishLarge(const std::string& id)
    {
        std::string bytes(4 << 20, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
        writeFile(root / (id + "-grande.mrvz"), bytes);
        DatasetCatalog::Entry entry;
        entry.id = id;
        entry.archive = server.address(id + "-grande.mrvz?slow=1");
        entry.archiveBytes = static_cast<std::int64_t>(bytes.size());
        entry.installedBytes = 3 * entry.archiveBytes; // what a dataset packed this size takes
        return entry;
    }
    // The requests received for one path, with any query.
    int requestsFor(const std::string& path) const
    {
        int count = 0;
        for (const auto& line : server.requests())
            count += line.find("\"/" + path) != std::string::npos;
        return count;
    }

    TemporaryFolder root {"server"};
    TemporaryFolder sources {"sources"};
    TestHttpServer server {root.path()};
};

inline bool hasIncomingFolders()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(AppPaths::datasetsDirectory(), error))
        if (entry.path().filename().string().front() == '.')
            return true;
    return false;
}

} // namespace morvena::test
