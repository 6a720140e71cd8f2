// The viewer's dataset load, as the GUI thread runs it, over an installed dataset:
//
//   XDG_DATA_HOME=DIR AppModelLoadBenchmark [benchmark flags]
//
// loads the dataset "bodyparts3d" (or $MORVENA_BENCH_DATASET) found below DIR.
// The database openings alone show what checking an installed database costs,
// and the verdict what the load's check of every page and user table does.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyUI/Model/AppModel.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>

using namespace morvena;

namespace {

std::string datasetID()
{
    const char* id = std::getenv("MORVENA_BENCH_DATASET");
    return id && *id ? id : "bodyparts3d";
}

void loadDataset(benchmark::State& state)
{
    OffscreenGLContext context;
    const test::TemporaryFolder settings {"morvena-load-bench"};
    Preferences preferences(settings / "viewer.json");
    AppModelServices services;
    services.preferences = &preferences;
    services.makeCurrent = [&context] { context.makeCurrent(); };
    services.makeRenderer = AppModelServices::rendererFactory(services.makeCurrent);
    AppModel model(std::move(services));
    const auto id = datasetID();
    for (auto _ : state) {
        model.load(id);
        if (!std::holds_alternative<AppModel::Ready>(model.phase())) {
            state.SkipWithError(("dataset non caricato: " + id).c_str());
            break;
        }
    }
}

void openDatabase(benchmark::State& state, AnatomyDB::OpenMode mode)
{
    const auto file = AppPaths::databaseURL(datasetID());
    for (auto _ : state) {
        AnatomyDB db(file, mode);
        benchmark::DoNotOptimize(db.hasFTS());
    }
}

void databaseVerdict(benchmark::State& state)
{
    const AnatomyDB db(AppPaths::databaseURL(datasetID()), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(db.verdict().clean());
}

} // namespace

BENCHMARK(loadDataset)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(openDatabase, checked, AnatomyDB::OpenMode::readWriteExisting)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(openDatabase, unchecked, AnatomyDB::OpenMode::readWriteCreating)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(databaseVerdict)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
