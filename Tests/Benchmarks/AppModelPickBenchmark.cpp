// What a click and a hover cost the viewer's model beyond the renderer's own pick,
// over an installed dataset, as the GUI thread runs them:
//
//   XDG_DATA_HOME=DIR AppModelPickBenchmark [benchmark flags]
//
// loads the dataset "bodyparts3d" (or $MORVENA_BENCH_DATASET) found below DIR, shows
// every system framed whole in a drawable of 3024 × 1890 pixels (mrvtool bench's
// picking scene) and alternates between two points on the body, so that each click
// changes the first card and its note.
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyUI/Model/AppModel.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>

using namespace morvena;

namespace {

constexpr float2 drawable {3024, 1890};
// The chest and the thigh of mrvtool bench's picking points.
constexpr std::array<float2, 2> points {{
    {0.5f * drawable.x, 0.38f * drawable.y},
    {0.5f * drawable.x - drawable.x / 22, 0.66f * drawable.y},
}};

std::string datasetID()
{
    const char* id = std::getenv("MORVENA_BENCH_DATASET");
    return id && *id ? id : "bodyparts3d";
}

// A model with the dataset loaded and shown in a view of the drawable at 2 pixels per point.
class LoadedModel {
public:
    LoadedModel()
        : preferences_(settings_ / "viewer.json")
    {
        AppModelServices services;
        services.preferences = &preferences_;
        services.makeCurrent = [this] { context_.makeCurrent(); };
        services.makeRenderer = AppModelServices::rendererFactory(services.makeCurrent);
        model = std::make_unique<AppModel>(std::move(services));
        model->load(datasetID());
        if (!std::holds_alternative<AppModel::Ready>(model->phase()))
            return;
        view_ = std::make_shared<ViewportHandle>();
        view_->requestRedraw = [] {};
        view_->drawableSize = [] { return drawable; };
        view_->boundsSize = [] { return float2 {drawable.x / 2, drawable.y / 2}; };
        view_->backingScale = [] { return 2.0; };
        view_->makeCurrent = [this] { context_.makeCurrent(); };
        view_->renderer = model->renderer();
        model->viewportReady(view_);
        model->showAllSystems();
        model->renderer()->frameAll(drawable.x / drawable.y, false);
    }
    bool ready() const { return view_ != nullptr; }
    AnatomyRenderer& renderer() { return *model->renderer(); }

private:
    test::TemporaryFolder settings_ {"morvena-pick-bench"};
    Preferences preferences_;
    OffscreenGLContext context_;
    std::shared_ptr<ViewportHandle> view_;

public:
    // Last, so it goes first: its renderer is released while the context exists.
    std::unique_ptr<AppModel> model;
};

// Runs the step with each point in turn.
template <class Step> void alternate(benchmark::State& state, Step step)
{
    LoadedModel loaded;
    if (!loaded.ready()) {
        state.SkipWithError(("dataset non caricato: " + datasetID()).c_str());
        return;
    }
    std::size_t turn = 0;
    for (auto _ : state)
        step(loaded, points[turn++ % points.size()]);
}

// Runs the step with the structure picked at each point in turn, picked beforehand.
template <int tolerance, class Step> void alternateHits(benchmark::State& state, Step step)
{
    LoadedModel loaded;
    if (!loaded.ready()) {
        state.SkipWithError(("dataset non caricato: " + datasetID()).c_str());
        return;
    }
    std::array<std::optional<std::int64_t>, points.size()> hits;
    for (std::size_t i = 0; i < points.size(); ++i)
        hits[i] = loaded.renderer().pick(points[i], drawable, tolerance);
    std::size_t turn = 0;
    for (auto _ : state)
        step(*loaded.model, hits[turn++ % hits.size()]);
}

template <int tolerance> void barePick(benchmark::State& state)
{
    alternate(state, [](LoadedModel& loaded, float2 point) {
        benchmark::DoNotOptimize(loaded.renderer().pick(point, drawable, tolerance));
    });
}

void handleSelect(benchmark::State& state)
{
    alternate(state,
        [](LoadedModel& loaded, float2 point) { loaded.model->handleSelect(point, PointerModifier::none); });
}

void handleHover(benchmark::State& state)
{
    alternate(state, [](LoadedModel& loaded, float2 point) { loaded.model->handleHover(point); });
}

// The model's share of a click and of a hover, without the pick: what handleSelect
// does with a hit (selection, cards, note) and the card lookup that names a hover.
void selectHit(benchmark::State& state)
{
    alternateHits<7>(state,
        [](AppModel& model, std::optional<std::int64_t> hit) { model.select(hit, PointerModifier::none); });
}

void hoverCard(benchmark::State& state)
{
    alternateHits<3>(state, [](AppModel& model, std::optional<std::int64_t> hit) {
        benchmark::DoNotOptimize(model.structure(hit.value_or(-1)));
    });
}

} // namespace

BENCHMARK(barePick<7>)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(handleSelect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(barePick<3>)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(handleHover)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(selectHit)->Unit(benchmark::kMicrosecond);
BENCHMARK(hoverCard)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
