// How long a selection takes to become the inspector's painted card, on a dataset of
// 2,000 structures, with the inspector alone at the sidebar's size on a real X server:
//
//   xvfb-run -a InspectorViewBenchmark [benchmark flags]
//
// each repetition selects another structure, lays the card out and paints it (read
// the median). A second one selects a structure whose note is one unbroken word of
// 256 KB; `withinFrame` is the share drawn within a frame at 60 Hz (16.7 ms). A third
// selects a structure whose name is one word of 50,000 letters, against one of 6 (its
// argument is the name's length), and times until the inspector is idle. The dataset
// and the settings are written to a folder of the program's own.
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyUI/Inspector/InspectorView.h"
#include "AnatomyUI/Model/AppModel.h"
#include "TemporaryFolder.h"
#include "TestDataset.h"
#include "WidgetBenchmarkMain.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <variant>

using namespace morvena;

namespace {

constexpr int structureCount = 2000;
// Apart enough that consecutive selections are far apart in the dataset.
constexpr int selectionStride = 37;
constexpr std::size_t longNoteBytes = 256 * 1024;
constexpr double frameBudgetSeconds = 1.0 / 60;
// The lengths of the names that nameToPaintedCard selects, in letters.
constexpr std::array<std::int64_t, 2> nameLengths {6, 50000};

std::string namedConcept(std::int64_t letters)
{
    return "NOME" + std::to_string(letters);
}

// Small ellipsoids on a grid of 50 columns, one per structure.
test::TestDataset largeDataset()
{
    test::TestDataset dataset("grande");
    for (int i = 0; i < structureCount; ++i)
        dataset.add("FMA" + std::to_string(10000 + i), "structure " + std::to_string(i),
            AnatomySystem::skeletal,
            test::ellipsoidMesh(
                {static_cast<float>(i % 50), static_cast<float>(i / 50), 0}, {0.4f, 0.4f, 0.4f}, 6));
    for (const auto letters : nameLengths) {
        std::string name;
        for (std::int64_t i = 0; i < letters; ++i)
            name += static_cast<char>('a' + i % 26);
        dataset.add(namedConcept(letters), name, AnatomySystem::skeletal,
            test::ellipsoidMesh({-2, static_cast<float>(letters % 7), 0}, {0.4f, 0.4f, 0.4f}, 6));
    }
    return dataset;
}

// The dataset loaded into a model whose renderer lives in an offscreen context, and
// the inspector shown beside it.
class Session {
public:
    Session()
    {
        setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        largeDataset().install(folder / "data");
        AppModelServices services;
        services.preferences = &preferences;
        services.makeCurrent = [this] { context.makeCurrent(); };
        services.makeRenderer = AppModelServices::rendererFactory(services.makeCurrent);
        model = std::make_unique<AppModel>(std::move(services));
        model->load("grande");
        if (!std::holds_alternative<AppModel::Ready>(model->phase()))
            return;
        view = std::make_unique<InspectorView>(*model);
        view->resize(322, 900);
        view->show();
        QApplication::processEvents();
        ready = true;
    }

    test::TemporaryFolder folder {"inspector-bench"};
    Preferences preferences {folder / "viewer.json"};
    OffscreenGLContext context;
    // After the context, so they go first: the renderer is released while it exists.
    std::unique_ptr<AppModel> model;
    std::unique_ptr<InspectorView> view;
    bool ready = false;
};

Session* session = nullptr;

// Seconds from the selection of the concept to its card painted.
double selectionToPaint(const std::string& conceptID)
{
    const auto start = std::chrono::steady_clock::now();
    session->model->selectConcept(conceptID, true);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    session->view->viewport()->repaint();
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    QApplication::processEvents();
    return seconds;
}

void selectionToPaintedCard(benchmark::State& state)
{
    static int selections = 0;
    for (auto _ : state)
        state.SetIterationTime(selectionToPaint(
            "FMA" + std::to_string(10000 + (selections++ * selectionStride) % structureCount)));
}

void longUnbrokenNoteToPaintedCard(benchmark::State& state)
{
    session->model->db()->setNote(std::string(longNoteBytes, 'x'), "FMA10001");
    for (auto _ : state) {
        selectionToPaint("FMA10000"); // another card first, so the note is drawn anew
        const double seconds = selectionToPaint("FMA10001");
        state.SetIterationTime(seconds);
        state.counters["withinFrame"] = seconds <= frameBudgetSeconds ? 1 : 0;
    }
}

// Seconds from the selection of the concept until its card is painted and the
// inspector has no work left: layouts that a paint asks for run after it.
double selectionToSettledCard(const std::string& conceptID)
{
    const auto start = std::chrono::steady_clock::now();
    session->model->selectConcept(conceptID, true);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    session->view->viewport()->repaint();
    QApplication::processEvents();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void nameToPaintedCard(benchmark::State& state)
{
    const auto conceptID = namedConcept(state.range(0));
    for (auto _ : state) {
        selectionToSettledCard("FMA10000"); // another card first, so the name is laid out anew
        state.SetIterationTime(selectionToSettledCard(conceptID));
    }
}

} // namespace

BENCHMARK(selectionToPaintedCard)
    ->Iterations(1)
    ->Repetitions(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(longUnbrokenNoteToPaintedCard)
    ->Iterations(1)
    ->Repetitions(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(nameToPaintedCard)
    ->Arg(nameLengths[0])
    ->Arg(nameLengths[1])
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return test::runWidgetBenchmarks(
        argc, argv, session, "InspectorViewBenchmark: the generated dataset did not load");
}
