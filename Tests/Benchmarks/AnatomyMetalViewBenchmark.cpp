// What a click on the viewport costs until the select callback has the structure
// picked, on a pack of 2,000 cubes, beside the same pick called on the renderer
// directly, in a window of 320 × 240 on a real X server:
//
//   xvfb-run -a AnatomyMetalViewBenchmark [benchmark flags]
//
// one click or one direct pick per repetition (read the medians). The pack is
// written to a folder of the program's own.
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyUI/SharedGLContext.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/AnatomyViewportView.h"
#include "HangDeadline.h"
#include "TemporaryFolder.h"
#include "TestPacks.h"
#include "WidgetBenchmarkMain.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

using namespace morvena;

namespace {

// The cube the clicks aim at, near the middle of the grid.
constexpr std::size_t targetCube = 1025;
// What the viewer uses for clicks.
constexpr int clickTolerance = 7;

// 40 rows of 50 cubes.
std::vector<test::TestCube> cubeGrid()
{
    std::vector<test::TestCube> cubes;
    for (int row = 0; row < 40; ++row) {
        for (int column = 0; column < 50; ++column)
            cubes.push_back({AnatomySystem::skeletal, {column * 3.0f - 75, row * 3.0f - 60, 0}, 1});
    }
    return cubes;
}

// A renderer made in the shared context before any widget, shown in a window through
// AnatomyViewportView, framed whole; the select callback picks as the viewer's does.
class Session {
public:
    Session()
    {
        const auto cubes = cubeGrid();
        pack = test::makeCubePack(folder, cubes);
        auto scene = std::make_shared<AnatomyScene>(
            pack, std::set<AnatomySystem>(allAnatomySystems().begin(), allAnatomySystems().end()));
        renderer = shared.makeRenderer(pack, scene);
        window.resize(320, 240);
        auto* layout = new QVBoxLayout(&window); // owned by the window
        layout->setContentsMargins(0, 0, 0, 0);
        AnatomyViewportView viewport;
        viewport.renderer = renderer;
        viewport.onSelect = [this](float2 point, PointerModifier) {
            picked = renderer->pick(point, view->drawableSize(), clickTolerance);
        };
        viewport.onViewReady = [this](AnatomyMetalView&) { viewReady = true; };
        view = viewport.make(&window);
        layout->addWidget(view);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowExposed(&window, test::hangDeadlineMS)
            || !QTest::qWaitFor(
                [this] { return viewReady && renderer->framesRendered() > 0; }, test::hangDeadlineMS))
            return;
        renderer->frameAll(view->drawableSize().x / view->drawableSize().y, false);
        target = renderer->camera().project(cubes[targetCube].center, view->drawableSize());
        ready = target.has_value();
    }

    // The target in the widget's points.
    QPointF clickPoint() const
    {
        const double ratio = view->devicePixelRatioF();
        return {target->x / ratio, target->y / ratio};
    }

    void click(QPointF at)
    {
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, at, Qt::NoButton);
    }

    SharedGLContext shared;
    test::TemporaryFolder folder {"viewport-bench"};
    std::shared_ptr<MeshPack> pack;
    std::shared_ptr<AnatomyRenderer> renderer;
    QWidget window;
    AnatomyMetalView* view = nullptr; // owned by the window
    bool viewReady = false;
    // Where the target cube appears in the drawable, in pixels, and its depth.
    std::optional<Float3> target;
    std::optional<std::int64_t> picked;
    bool ready = false;

private:
    void send(QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
};

Session* session = nullptr;

void clickToCallbackPick(benchmark::State& state)
{
    const auto at = session->clickPoint();
    for (auto _ : state) {
        session->picked.reset();
        const auto start = std::chrono::steady_clock::now();
        session->click(at);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (session->picked != static_cast<std::int64_t>(targetCube)) {
            state.SkipWithError("the click did not pick the cube aimed at");
            return;
        }
    }
}

// The baseline of the click's cost: the renderer's own pick at the same point.
void directPick(benchmark::State& state)
{
    session->view->makeCurrent();
    for (auto _ : state) {
        const auto direct = session->renderer->benchmarkPick(
            {session->target->x, session->target->y}, session->view->drawableSize(), 1);
        state.SetIterationTime(direct.medianMS / 1000);
        if (direct.hit != static_cast<std::int64_t>(targetCube)) {
            state.SkipWithError("the renderer did not pick the cube aimed at");
            return;
        }
    }
}

} // namespace

BENCHMARK(clickToCallbackPick)
    ->Iterations(1)
    ->Repetitions(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(directPick)->Iterations(1)->Repetitions(50)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return test::runWidgetBenchmarks(
        argc, argv, session, "AnatomyMetalViewBenchmark: the viewport never drew its first frame");
}
