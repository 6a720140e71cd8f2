#include "JobTestSupport.h"

#include <nlohmann/json.hpp>

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <semaphore>

using namespace morvena;
using namespace morvena::test;
using namespace std::chrono_literals;
using Stage = DatasetDownload::Stage;
using Kind = DatasetDownload::Stage::Kind;

namespace {

// A model without GL (a finished download's load fails for want of a renderer)
// whose catalog and archives come from a server on 127.0.0.1.
struct NetworkModel {
    explicit NetworkModel(std::function<void(AppModelServices&)> adjust = {})
    {
        auto services = servicesWithoutGL(sandbox);
        services.catalogAddress = datasets.server.address("catalog.json");
        if (adjust)
            adjust(services);
        model = std::make_unique<AppModel>(std::move(services));
    }

    void publishCatalog(const DatasetCatalog& catalog)
    {
        writeFile(datasets.root / "catalog.json", nlohmann::json(catalog).dump());
    }

    ModelSandbox sandbox;
    DatasetServer datasets;
    std::unique_ptr<AppModel> model;
};

const TestDataset cube = boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}});

// Every stage the model shows, in order; none for a cleared stage.
struct StageLog {
    explicit StageLog(AppModel& model)
        : connection(QObject::connect(&model, &AppModel::changed, [this, &model](AppModel::Field field) {
            if (field == AppModel::Field::downloadStage)
                stages.push_back(model.downloadStage());
        }))
    {
    }
    ~StageLog() { QObject::disconnect(connection); }

    QMetaObject::Connection connection;
    std::vector<std::optional<Stage>> stages;
};

// Counts the stages the downloads hand to the model, which queues them for its thread.
class HandedStages {
public:
    void makeDownloadsCount(AppModelServices& services)
    {
        services.makeDownload = [this](DatasetCatalog::Entry entry, DatasetDownload::StageHandler onStage) {
            return std::make_unique<DatasetDownload>(
                std::move(entry), [this, onStage = std::move(onStage)](const Stage& stage) {
                    onStage(stage);
                    std::lock_guard lock(mutex_);
                    ++count_;
                    handed_.notify_all();
                });
        };
    }
    int count() const
    {
        std::lock_guard lock(mutex_);
        return count_;
    }
    bool waitPast(int count)
    {
        std::unique_lock lock(mutex_);
        return handed_.wait_for(lock, hangDeadline, [&] { return count_ > count; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable handed_;
    int count_ = 0;
};

// Waits on the download's own thread until the download is cancelled.
bool waitUntilCancelled(const DatasetDownload& download)
{
    const auto hang = std::chrono::steady_clock::now() + hangDeadline;
    while (!download.isCancelled()) {
        if (std::chrono::steady_clock::now() > hang)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

TEST(AppModelCatalog, oneFetchAtATimeAndAFailureKeepsTheLastCatalog)
{
    NetworkModel fixture;
    auto& model = *fixture.model;
    fixture.publishCatalog({1, {fixture.datasets.publish(cube)}, std::nullopt});

    model.refreshCatalog();
    model.refreshCatalog();
    EXPECT_TRUE(model.isLoadingCatalog());
    ASSERT_TRUE(runPostedCallsUntil([&] { return !model.isLoadingCatalog(); }));
    EXPECT_EQ(fixture.datasets.requestsFor("catalog.json"), 1);
    ASSERT_TRUE(model.catalog());
    EXPECT_EQ(model.catalog()->datasets.at(0).id, "cubo");

    std::filesystem::remove(fixture.datasets.root / "catalog.json");
    model.refreshCatalog();
    ASSERT_TRUE(runPostedCallsUntil([&] { return !model.isLoadingCatalog(); }));
    EXPECT_EQ(model.catalogError(), "Il catalogo dei dataset ha risposto con stato 404. Riprova fra poco.");
    ASSERT_TRUE(model.catalog());

    model.refreshCatalog(); // the error goes at once, not when the fetch ends
    EXPECT_FALSE(model.catalogError());
    ASSERT_TRUE(runPostedCallsUntil([&] { return !model.isLoadingCatalog(); }));
}

TEST(AppModelCatalog, aNewerViewerReleaseIsNotedAgainstTheRunningVersion)
{
    std::optional<DatasetCatalog> served;
    NetworkModel fixture([&](AppModelServices& services) {
        services.loadCatalog = [&](const std::string&, const std::atomic<bool>&) { return *served; };
    });
    auto& model = *fixture.model;
    auto fetch = [&](std::optional<std::string> releaseVersion) {
        served = DatasetCatalog {1, {}, std::nullopt};
        if (releaseVersion)
            served->macApp = DatasetCatalog::AppRelease {*releaseVersion, "1", "https://x/y", 1, "12", ""};
        model.refreshCatalog();
        return runPostedCallsUntil([&] { return !model.isLoadingCatalog(); });
    };
    struct Case {
        const char* running;
        const char* release;
        bool newer;
    };
    for (auto [running, release, newer] : {Case {"1.2", "1.10", true}, Case {"1.2", "1.2.0", false},
             Case {"", "0.0.1", true}, Case {"", "0", false}}) {
        QCoreApplication::setApplicationVersion(running);
        ASSERT_TRUE(fetch(release));
        EXPECT_EQ(model.availableUpdate().has_value(), newer) << running << " vs " << release;
    }
    ASSERT_TRUE(fetch("9"));
    ASSERT_TRUE(fetch(std::nullopt)); // a catalog without a release leaves the note
    EXPECT_EQ(model.availableUpdate()->version, "9");
    QCoreApplication::setApplicationVersion("");
}

TEST(AppModelDownload, aFailedDownloadKeepsItsStageUntilTheNextStartOrACancel)
{
    NetworkModel fixture;
    auto& model = *fixture.model;
    auto entry = fixture.datasets.publish(cube);
    entry.archive = fixture.datasets.server.address("assente.mrvz");

    for (int attempt = 0; attempt < 2; ++attempt) {
        model.downloadDataset(entry);
        EXPECT_EQ(model.downloadStage(), Stage::preparing());
        ASSERT_TRUE(runPostedCallsUntil([&] { return model.downloadStage()->kind == Kind::failed; }));
        EXPECT_NE(model.downloadStage()->message.find("404"), std::string::npos)
            << model.downloadStage()->message;
        runPostedCallsUntil([] { return false; }, 100ms);
        EXPECT_EQ(model.downloadStage()->kind, Kind::failed);
    }
    model.cancelDownload();
    EXPECT_FALSE(model.downloadStage());
}

// While one download runs another is ignored; after a cancel nothing of the
// cancelled download reaches the model, even what it had already posted.
TEST(AppModelDownload, aSecondDownloadIsIgnoredAndACancelledOneIsNeverSeenAgain)
{
    HandedStages handed;
    NetworkModel fixture([&handed](AppModelServices& services) { handed.makeDownloadsCount(services); });
    auto& model = *fixture.model;
    auto slow = fixture.datasets.publishLarge("cubo");
    auto other = fixture.datasets.publish(boxDataset("altro", {{"FMA2", AnatomySystem::muscular}}));

    model.downloadDataset(slow);
    model.downloadDataset(other);
    ASSERT_TRUE(runPostedCallsUntil([&] { return model.downloadStage()->kind == Kind::downloading; }));
    ASSERT_TRUE(handed.waitPast(handed.count())); // a transfer report waits in the model's queue

    StageLog log(model);
    model.cancelDownload();
    other.archive = fixture.datasets.server.address("assente.mrvz");
    model.downloadDataset(other);
    ASSERT_TRUE(runPostedCallsUntil([&] { return model.downloadStage()->kind == Kind::failed; }));
    runPostedCallsUntil([] { return false; }, 200ms);

    std::vector<std::optional<Kind>> kinds;
    for (const auto& stage : log.stages)
        kinds.push_back(stage ? std::optional(stage->kind) : std::nullopt);
    EXPECT_EQ(kinds, (std::vector<std::optional<Kind>> {std::nullopt, Kind::preparing, Kind::failed}));
    EXPECT_EQ(fixture.datasets.requestsFor("altro.mrvz"), 0);
}

// The stop reaches the download while it reports `verifying`, before the
// archive is installed: cancelling waits only for that, and the dataset
// installed before stays as it was.
TEST(AppModelDownload, aCancelWhileVerifyingReturnsPromptlyAndKeepsTheInstalledDataset)
{
    std::binary_semaphore atVerifying {0};
    std::atomic<bool> endedAfterTheCancel {false};
    const DatasetDownload* made = nullptr; // set before the download starts
    NetworkModel fixture([&](AppModelServices& services) {
        services.makeDownload = [&](DatasetCatalog::Entry entry, DatasetDownload::StageHandler onStage) {
            auto download = std::make_unique<DatasetDownload>(
                std::move(entry), [&, onStage = std::move(onStage)](const Stage& stage) {
                    onStage(stage);
                    if (stage.kind == Kind::verifying) {
                        atVerifying.release();
                        endedAfterTheCancel = waitUntilCancelled(*made);
                    }
                });
            made = download.get();
            return download;
        };
    });
    auto& model = *fixture.model;
    auto installed = fixture.sandbox.install(boxDataset("cubo", {{"FMA7", AnatomySystem::nervous}}));
    const auto before = snapshot(installed);
    model.downloadDataset(fixture.datasets.publish(cube));
    ASSERT_TRUE(atVerifying.try_acquire_for(hangDeadline));

    model.cancelDownload();
    EXPECT_TRUE(endedAfterTheCancel)
        << "the cancel returned before the stage in flight ended, or the stage waited out its deadline";
    EXPECT_FALSE(model.downloadStage());
    runPostedCallsUntil([] { return false; }, 200ms);
    EXPECT_FALSE(model.downloadStage());
    EXPECT_EQ(snapshot(installed), before);
    EXPECT_FALSE(hasIncomingFolders());
    ASSERT_EQ(model.installedDatasets().size(), 1u);
    EXPECT_EQ(model.installedDatasets()[0].id, "cubo");
}
