// The application model's background jobs, as the GUI thread sees them:
//
//   AppModelJobsBenchmark [benchmark flags]
//   MORVENA_BENCH_RELEASE=DIR AppModelJobsBenchmark --benchmark_filter=Importing
//
// transferReports downloads a 200 MiB archive over loopback and counts, per
// second of transfer, the transfer reports of the download (one queued call
// each without folding) and the queued calls that carry them to the model.
// destroyWhile* time destroying the model while a job runs: a catalog fetch, a
// download, and an import of the BodyParts3D release whose metadata and OBJ
// files lie below MORVENA_BENCH_RELEASE (skipped without it), 0.5 and 1.5 s after it began.
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyUI/Model/AppModel.h"
#include "RandomBytes.h"
#include "TemporaryFolder.h"
#include "TestHttpServer.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <variant>

using namespace morvena;
using namespace std::chrono;
namespace fs = std::filesystem;
using Kind = DatasetDownload::Stage::Kind;

namespace {

constexpr std::int64_t archiveBytes = std::int64_t {200} << 20;

// A server with the large archive, and a model of the test's own settings
// whose downloads count the reports their handler receives.
struct Bench {
    Bench()
    {
        test::writeFile(served / "grande.mrvz", test::randomBytes(archiveBytes, 1));
        test::writeFile(served / "catalog.json", std::string(200'000, ' ') + "{}");
    }

    std::unique_ptr<AppModel> makeModel()
    {
        AppModelServices services;
        services.preferences = &preferences;
        services.makeRenderer = [](auto, auto) { return std::shared_ptr<AnatomyRenderer>(); };
        services.makeCurrent = [] {};
        services.catalogAddress = server.address("catalog.json?slow=1");
        services.makeDownload = [this](DatasetCatalog::Entry entry, DatasetDownload::StageHandler handler) {
            return std::make_unique<DatasetDownload>(
                std::move(entry), [this, handler = std::move(handler)](const DatasetDownload::Stage& stage) {
                    reports += stage.kind == Kind::downloading;
                    handler(stage);
                });
        };
        return std::make_unique<AppModel>(std::move(services));
    }

    DatasetCatalog::Entry entry(const std::string& query = "") const
    {
        DatasetCatalog::Entry entry;
        entry.id = "grande";
        entry.archive = server.address("grande.mrvz" + query);
        entry.archiveBytes = archiveBytes;
        return entry;
    }

    test::TemporaryFolder folder {"jobs-bench"};
    fs::path served = folder / "served";
    test::TestHttpServer server {(fs::create_directories(served), served)};
    Preferences preferences {folder / "viewer.json"};
    std::atomic<std::int64_t> reports {0};
};

Bench& bench()
{
    static Bench shared;
    return shared;
}

template <class Condition> void runPostedCallsUntil(Condition done)
{
    while (!done()) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        std::this_thread::sleep_for(microseconds(200));
    }
}

bool isDownloading(const AppModel& model)
{
    return model.downloadStage() && model.downloadStage()->kind == Kind::downloading;
}

void transferReports(benchmark::State& state)
{
    auto& shared = bench();
    for (auto _ : state) {
        auto model = shared.makeModel();
        std::int64_t applied = 0;
        QObject::connect(model.get(), &AppModel::changed, [&](AppModel::Field field) {
            applied += field == AppModel::Field::downloadStage && isDownloading(*model);
        });
        shared.reports = 0;
        const auto start = steady_clock::now();
        model->downloadDataset(shared.entry());
        runPostedCallsUntil([&] { return model->downloadStage() && !isDownloading(*model) && applied > 0; });
        const double seconds = duration<double>(steady_clock::now() - start).count();
        state.counters["reports_per_s"] = static_cast<double>(shared.reports) / seconds;
        state.counters["posts_per_s"] = static_cast<double>(applied) / seconds;
        state.counters["transfer_s"] = seconds;
    }
}

// Times the destruction of a model once `start` has its job running.
template <class Start, class Running> void destroyWhile(benchmark::State& state, Start start, Running running)
{
    for (auto _ : state) {
        auto model = bench().makeModel();
        start(*model);
        runPostedCallsUntil([&] { return running(*model); });
        const auto begin = steady_clock::now();
        model.reset();
        state.SetIterationTime(duration<double>(steady_clock::now() - begin).count());
    }
}

void destroyWhileFetchingTheCatalog(benchmark::State& state)
{
    destroyWhile(
        state, [](AppModel& model) { model.refreshCatalog(); },
        [](AppModel&) { return bench().server.requests().size() > 0; });
}

void destroyWhileDownloading(benchmark::State& state)
{
    destroyWhile(
        state, [](AppModel& model) { model.downloadDataset(bench().entry("?slow=1")); }, isDownloading);
}

void destroyWhileImporting(benchmark::State& state)
{
    const char* release = std::getenv("MORVENA_BENCH_RELEASE");
    if (!release) {
        state.SkipWithError("MORVENA_BENCH_RELEASE non impostata");
        return;
    }
    const auto after = milliseconds(state.range(0));
    steady_clock::time_point started;
    destroyWhile(
        state,
        [&](AppModel& model) {
            started = steady_clock::now();
            model.importBodyParts3D(release);
        },
        [&](AppModel& model) {
            const auto* importing = std::get_if<AppModel::Importing>(&model.phase());
            if (const auto* failed = std::get_if<AppModel::Failed>(&model.phase()))
                state.SkipWithError(
                    ("l'importazione è terminata prima del tempo: " + failed->message).c_str());
            return !importing || steady_clock::now() - started > after;
        });
}

} // namespace

BENCHMARK(transferReports)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(destroyWhileFetchingTheCatalog)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(destroyWhileDownloading)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(destroyWhileImporting)
    ->Arg(500)
    ->Arg(1500)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv)
{
    // Datasets and downloads stay in a folder of the benchmark's own.
    test::TemporaryFolder home {"jobs-bench-home"};
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
