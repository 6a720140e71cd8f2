#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Download/DatasetDownload.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"

#include "HangDeadline.h"
#include "TemporaryFolder.h"
#include "TestDataset.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>

using namespace morvena;
using Stage = DatasetDownload::Stage;
using Kind = DatasetDownload::Stage::Kind;
using namespace std::chrono_literals;

namespace {

// Scattered points, one structure: an archive of some hundred kilobytes that
// hardly compresses and differs for every seed.
MeshPackBuilder::Mesh scatteredMesh(unsigned seed)
{
    MeshPackBuilder::Mesh mesh;
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> coordinate(-100, 100);
    auto& triangles = mesh.lodIndices.emplace_back();
    for (std::uint32_t i = 0; i < 40'002; ++i) {
        mesh.positions.push_back({coordinate(random), coordinate(random), coordinate(random)});
        mesh.normals.push_back({0, 0, 1});
        triangles.push_back(i);
    }
    return mesh;
}

// Records the stages of one download and lets the test wait for its end.
class StageLog {
public:
    DatasetDownload::StageHandler handler()
    {
        return [this](const Stage& stage) {
            std::lock_guard lock(mutex_);
            stages_.push_back(stage);
            threads_.push_back(std::this_thread::get_id());
            if (stage.kind == Kind::done || stage.kind == Kind::failed)
                ended_.notify_all();
            if (stage.kind == Kind::downloading)
                progressed_.notify_all();
        };
    }

    bool waitForEnd(std::chrono::seconds limit = test::hangDeadline)
    {
        std::unique_lock lock(mutex_);
        return ended_.wait_for(lock, limit, [&] { return hasEnded(); });
    }
    bool waitForProgress()
    {
        std::unique_lock lock(mutex_);
        return progressed_.wait_for(lock, test::hangDeadline, [&] { return count(Kind::downloading) > 0; });
    }

    std::vector<Stage> stages() const
    {
        std::lock_guard lock(mutex_);
        return stages_;
    }
    std::vector<std::thread::id> threads() const
    {
        std::lock_guard lock(mutex_);
        return threads_;
    }
    // The stages with every downloading report folded into one.
    std::vector<Kind> sequence() const
    {
        std::vector<Kind> kinds;
        for (const auto& stage : stages())
            if (kinds.empty() || kinds.back() != Kind::downloading || stage.kind != Kind::downloading)
                kinds.push_back(stage.kind);
        return kinds;
    }

private:
    bool hasEnded() const { return count(Kind::done) + count(Kind::failed) > 0; }
    std::size_t count(Kind kind) const
    {
        return std::count_if(stages_.begin(), stages_.end(), [&](const Stage& s) { return s.kind == kind; });
    }

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::condition_variable progressed_;
    std::vector<Stage> stages_;
    std::vector<std::thread::id> threads_;
};

class DatasetDownloadTest : public ::testing::Test {
protected:
    // The installed datasets go with the test, so tests sharing a process do not see them.
    void TearDown() override { std::filesystem::remove_all(AppPaths::applicationSupport()); }

    // A dataset folder with the three files and its archive on the server;
    // each blob adds about 450 KB to the archive.
    DatasetCatalog::Entry publish(const std::string& id, const std::string& version, unsigned seed,
        const std::string& archiveName, unsigned blobs = 1)
    {
        test::TestDataset dataset(id, "Prova");
        for (unsigned blob = 0; blob < blobs; ++blob)
            dataset.add("FMA" + std::to_string(blob + 1), "blob", AnatomySystem::skeletal,
                scatteredMesh(seed + blob));
        auto source = dataset.install(sources / (id + "-" + version));
        auto manifest = *DatasetManifest::read(source / "manifest.json");
        manifest.version = version;
        manifest.write(source / "manifest.json");
        auto created = DatasetArchive::create(source, served / archiveName);
        DatasetCatalog::Entry entry;
        entry.id = id;
        entry.displayName = "Prova";
        entry.version = version;
        entry.archive = server.address(archiveName);
        entry.archiveBytes = created.bytes;
        entry.sha256 = created.sha256;
        return entry;
    }

    std::string installedPack(const std::string& id) const { return test::readFile(AppPaths::packURL(id)); }
    std::string sourcePack(const std::string& id, const std::string& version) const
    {
        return test::readFile(sources / (id + "-" + version) / "Morvena/datasets" / id / "geometry.mrvpack");
    }

    std::vector<Kind> download(const DatasetCatalog::Entry& entry, StageLog& log)
    {
        DatasetDownload download(entry, log.handler());
        download.start();
        EXPECT_TRUE(log.waitForEnd());
        return log.sequence();
    }

    static bool stagingLeftBehind()
    {
        for (const auto& item : std::filesystem::directory_iterator(AppPaths::temporaryDirectory()))
            if (item.path().filename().string().starts_with("mrvz-download-"))
                return true;
        return false;
    }

    test::TemporaryFolder served {"served"};
    test::TemporaryFolder sources {"sources"};
    test::TestHttpServer server {served.path()};
};

const std::vector<Kind> succeeded {
    Kind::preparing, Kind::downloading, Kind::verifying, Kind::installing, Kind::done};

} // namespace

TEST(DatasetDownloadStage, fractionsFollowTheStagesAndCapTheTransfer)
{
    EXPECT_EQ(Stage::downloading(0, 0).fraction(), 0.0);
    EXPECT_EQ(Stage::downloading(10, -5).fraction(), 0.0);
    EXPECT_DOUBLE_EQ(Stage::downloading(50, 100).fraction(), 0.45);
    EXPECT_EQ(Stage::downloading(100, 100).fraction(), 0.9);
    EXPECT_EQ(Stage::downloading(250, 100).fraction(), 0.9);
    EXPECT_EQ(Stage::preparing().fraction(), 0.0);
    EXPECT_EQ(Stage::verifying().fraction(), 0.93);
    EXPECT_EQ(Stage::installing().fraction(), 0.97);
    EXPECT_EQ(Stage::done().fraction(), 1.0);
    EXPECT_EQ(Stage::failed("x").fraction(), 1.0);
    EXPECT_EQ(Stage::downloading(1, 2), Stage::downloading(1, 2));
    EXPECT_NE(Stage::downloading(1, 2), Stage::downloading(1, 3));
    EXPECT_NE(Stage::failed("a"), Stage::failed("b"));
}

TEST_F(DatasetDownloadTest, resumesAfterADropAndInstallsAByteIdenticalDataset)
{
    auto entry = publish("resumed", "1", 11, "resumed.mrvz");
    entry.archive += "?drops=1&dropAt=150000";
    StageLog log;
    EXPECT_EQ(download(entry, log), succeeded);
    EXPECT_EQ(installedPack("resumed"), sourcePack("resumed", "1"));
    EXPECT_EQ(DatasetManifest::read(AppPaths::manifestURL("resumed"))->version, "1");
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_FALSE(stagingLeftBehind());

    auto threads = log.threads();
    EXPECT_EQ(threads.front(), std::this_thread::get_id()); // preparing, from start()
    EXPECT_NE(threads.back(), std::this_thread::get_id());
    for (const auto& stage : log.stages())
        if (stage.kind == Kind::downloading) {
            EXPECT_EQ(stage.total, entry.archiveBytes);
            EXPECT_LE(stage.fraction(), 0.9);
        }
}

TEST_F(DatasetDownloadTest, withoutALengthTheCatalogSizeIsTheTotalAndProgressStopsAtNinetyPercent)
{
    auto entry = publish("unsized", "1", 12, "unsized.mrvz");
    entry.archive += "?nolength=1";
    const auto actualBytes = entry.archiveBytes;
    entry.archiveBytes -= 20'000; // the catalog understates the size
    StageLog log;
    EXPECT_EQ(download(entry, log), succeeded);
    auto stages = log.stages();
    ASSERT_EQ(stages[1].kind, Kind::downloading);
    EXPECT_EQ(stages[1].total, entry.archiveBytes);
    double last = 0;
    for (const auto& stage : stages)
        if (stage.kind == Kind::downloading) {
            EXPECT_LE(stage.received, stage.total); // a percentage never passes 100
            EXPECT_GE(stage.fraction(), last);
            last = stage.fraction();
        }
    EXPECT_EQ(last, 0.9);
    EXPECT_EQ(stages[stages.size() - 4], Stage::downloading(actualBytes, actualBytes));
}

TEST_F(DatasetDownloadTest, aFileChangedBetweenAttemptsIsDownloadedAgainWhole)
{
    publish("changing", "1", 13, "changing-1.mrvz");
    auto entry = publish("changing", "2", 14, "changing-2.mrvz");
    entry.archive = server.address("changing-1.mrvz?drops=1&dropAt=200000&swap=changing-2.mrvz");
    StageLog log;
    EXPECT_EQ(download(entry, log), succeeded);
    EXPECT_EQ(installedPack("changing"), sourcePack("changing", "2"));
}

TEST_F(DatasetDownloadTest, theFourthDropEndsTheDownloadAndInstallsNothing)
{
    auto entry = publish("dropped", "1", 15, "dropped.mrvz");
    entry.archive += "?drops=4&dropAt=30000";
    StageLog log;
    EXPECT_EQ(download(entry, log), (std::vector {Kind::preparing, Kind::downloading, Kind::failed}));
    EXPECT_EQ(log.stages().back(),
        Stage::failed("Download interrotto: La connessione di rete è stata interrotta."));
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetDirectory("dropped")));
    EXPECT_FALSE(stagingLeftBehind());
}

TEST_F(DatasetDownloadTest, errorStatusesFailWithTheStatus)
{
    auto entry = publish("missing", "1", 16, "missing.mrvz");
    entry.archive += "?status=404";
    StageLog log;
    EXPECT_EQ(download(entry, log), (std::vector {Kind::preparing, Kind::failed}));
    EXPECT_EQ(
        log.stages().back(), Stage::failed("Il server ha risposto con stato 404 scaricando l'archivio."));
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetDirectory("missing")));
}

TEST_F(DatasetDownloadTest, aWrongDigestKeepsTheInstalledDatasetAndAnEmptyOneSkipsTheCheck)
{
    auto first = publish("checked", "1", 17, "checked-1.mrvz");
    first.sha256 = "";
    StageLog installing;
    ASSERT_EQ(download(first, installing), succeeded);

    auto second = publish("checked", "2", 18, "checked-2.mrvz");
    const std::string wrong(64, 'f');
    second.sha256 = wrong;
    StageLog log;
    EXPECT_EQ(download(second, log).back(), Kind::failed);
    EXPECT_EQ(log.sequence().at(log.sequence().size() - 2), Kind::verifying);
    EXPECT_NE(log.stages().back().message.find("ffffffffffff…"), std::string::npos);
    EXPECT_EQ(installedPack("checked"), sourcePack("checked", "1"));
    EXPECT_FALSE(stagingLeftBehind());
}

TEST_F(DatasetDownloadTest, cancellingReportsNothingFurtherAndInstallsNothing)
{
    auto entry = publish("cancelled", "1", 19, "cancelled.mrvz");
    entry.archive += "?slow=1";
    StageLog log;
    std::size_t reported = 0;
    {
        DatasetDownload download(entry, log.handler());
        download.start();
        ASSERT_TRUE(log.waitForProgress());
        download.cancel();
        reported = log.stages().size();
    } // its thread has ended: whatever it would report has come
    EXPECT_EQ(log.stages().size(), reported);
    for (const auto& stage : log.stages())
        EXPECT_NE(stage.kind, Kind::failed);
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetDirectory("cancelled")));
    EXPECT_FALSE(stagingLeftBehind());
}

TEST_F(DatasetDownloadTest, droppingARunningDownloadStopsItPromptly)
{
    auto entry = publish("abandoned", "1", 20, "abandoned.mrvz", 3); // half a minute at the slow pace
    entry.archive += "?slow=1";
    StageLog log;
    const auto started = std::chrono::steady_clock::now();
    auto download = std::make_unique<DatasetDownload>(entry, log.handler());
    download->start();
    ASSERT_TRUE(log.waitForProgress());
    download.reset();
    EXPECT_LT(
        std::chrono::steady_clock::now() - started, test::TestHttpServer::slowBodyTime(entry.archiveBytes))
        << "dropping the download waited for the whole archive";
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetDirectory("abandoned")));
}

TEST_F(DatasetDownloadTest, aHandlerMayDropTheDownloadWhenItEnds)
{
    auto entry = publish("released", "1", 21, "released.mrvz");
    std::mutex mutex;
    std::condition_variable ended;
    std::unique_ptr<DatasetDownload> download;
    bool done = false;
    {
        std::lock_guard lock(mutex);
        download = std::make_unique<DatasetDownload>(entry, [&](const Stage& stage) {
            if (stage.kind != Kind::done)
                return;
            std::lock_guard lock(mutex);
            download.reset();
            done = true;
            ended.notify_all();
        });
        download->start();
    }
    std::unique_lock lock(mutex);
    EXPECT_TRUE(ended.wait_for(lock, test::hangDeadline, [&] { return done; }));
}

TEST_F(DatasetDownloadTest, unusableEntriesAreRefusedBeforeAnyRequestOrPath)
{
    auto entry = publish("good", "1", 22, "good.mrvz");
    struct Case {
        std::string id;
        std::string archive;
        std::string message;
    };
    const std::vector<Case> cases {
        {"good", "non è un indirizzo", "Indirizzo dell'archivio non valido nel catalogo."},
        {"good", "http://example.invalid/good.mrvz",
            "Indirizzo dell'archivio rifiutato: sono ammessi solo indirizzi https, e http soltanto verso "
            "questo "
            "computer (localhost, 127.0.0.1, [::1])."},
        {"good", "ftp://127.0.0.1/good.mrvz",
            "Indirizzo dell'archivio rifiutato: sono ammessi solo indirizzi https, e http soltanto verso "
            "questo "
            "computer (localhost, 127.0.0.1, [::1])."},
        {"../x", entry.archive, ""},
        {"..", entry.archive, ""},
        {"", entry.archive, ""},
        {".hidden", entry.archive, ""},
        {"a/b", entry.archive, ""},
        {std::string("nul\0id", 6), entry.archive, ""},
    };
    for (const auto& c : cases) {
        auto hostile = entry;
        hostile.id = c.id;
        hostile.archive = c.archive;
        StageLog log;
        DatasetDownload download(hostile, log.handler());
        download.start();
        auto stages = log.stages();
        ASSERT_EQ(stages.size(), 1u) << c.id;
        EXPECT_EQ(stages[0].kind, Kind::failed) << c.id;
        if (!c.message.empty())
            EXPECT_EQ(stages[0].message, c.message);
        else
            EXPECT_FALSE(stages[0].message.empty());
    }
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(std::filesystem::exists(AppPaths::datasetsDirectory().parent_path() / "x"));
    EXPECT_FALSE(std::filesystem::exists(AppPaths::temporaryDirectory() / "x"));
    EXPECT_FALSE(stagingLeftBehind());
}
