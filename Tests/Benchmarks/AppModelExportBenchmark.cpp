// The image export of a 1440 × 900 pixel view at scale 2 (a 2880 × 1800 PNG), over
// an installed dataset, with its two halves apart: the offscreen rendering and the
// PNG encoding.
//
//   XDG_DATA_HOME=DIR AppModelExportBenchmark [benchmark flags]
//
// loads the dataset "bodyparts3d" (or $MORVENA_BENCH_DATASET) found below DIR.
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Model/Platform.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>

using namespace morvena;

namespace {

constexpr float2 viewPixels {1440, 900};

struct ExportFixture {
    ExportFixture()
    {
        AppModelServices services;
        services.preferences = &preferences;
        services.makeCurrent = [this] { context.makeCurrent(); };
        services.makeRenderer = AppModelServices::rendererFactory(services.makeCurrent);
        services.savePanel = [this](const std::filesystem::path&, const std::string& name) {
            return std::optional(folder / name);
        };
        model = std::make_unique<AppModel>(std::move(services));
        const char* id = std::getenv("MORVENA_BENCH_DATASET");
        model->load(id && *id ? id : "bodyparts3d");
        view->requestRedraw = [] {};
        view->drawableSize = [] { return viewPixels; };
        view->boundsSize = [] { return viewPixels; };
        view->backingScale = [] { return 1.0; };
        view->makeCurrent = [this] { context.makeCurrent(); };
        view->renderer = model->renderer();
        model->viewportReady(view);
    }

    bool ready() const { return std::holds_alternative<AppModel::Ready>(model->phase()); }

    OffscreenGLContext context;
    // The settings and the exported images.
    test::TemporaryFolder folder {"morvena-export-bench"};
    Preferences preferences {folder / "viewer.json"};
    std::shared_ptr<ViewportHandle> view = std::make_shared<ViewportHandle>();
    std::unique_ptr<AppModel> model;
};

// The loaded model, or null once the benchmark is marked failed.
ExportFixture* loadedFixture(benchmark::State& state)
{
    static ExportFixture shared;
    if (shared.ready())
        return &shared;
    state.SkipWithError("dataset non caricato");
    return nullptr;
}

void exportScreenshot(benchmark::State& state)
{
    auto* f = loadedFixture(state);
    if (!f)
        return;
    for (auto _ : state)
        f->model->exportScreenshot(2);
}

void renderImage(benchmark::State& state)
{
    auto* f = loadedFixture(state);
    if (!f)
        return;
    f->context.makeCurrent();
    for (auto _ : state)
        benchmark::DoNotOptimize(f->model->renderer()->renderImage(2880, 1800));
}

void encodePNG(benchmark::State& state)
{
    auto* f = loadedFixture(state);
    if (!f)
        return;
    f->context.makeCurrent();
    const auto image = f->model->renderer()->renderImage(2880, 1800);
    if (!image) {
        state.SkipWithError("immagine non disegnata");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Platform::pngData(*image));
}

} // namespace

BENCHMARK(exportScreenshot)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(renderImage)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(encodePNG)->Unit(benchmark::kMillisecond)->MinTime(3);

BENCHMARK_MAIN();
