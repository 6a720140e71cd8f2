// What the viewer's window costs a user, on a real X server, at 1440 × 900:
//
//   XDG_DATA_HOME=DIR xvfb-run -a -s "-screen 0 2560x1600x24" ViewerWindowBenchmark [benchmark flags]
//
// opens the window over the dataset the viewer finds below DIR (install one only),
// waits for the first frames and the framing, then:
//   - clickToPaintedCard: from a click on the window where the renderer finds a
//     structure to the inspector's next paint of that structure's name, two
//     structures in turn, one click per repetition (read the median);
//   - clickToShownCard: the same, up to the end of the window's next composition
//     after that paint, when the name is on the screen with the frame drawn for it;
//   - frame/0 and frame/1: one redraw of the window, with the statistics panel hidden
//     and shown, the panel's updates included.
// The settings are written to a folder of the program's own.
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/SharedGLContext.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/ViewportContainer.h"
#include "AnatomyUI/Window/ContentView.h"
#include "HangDeadline.h"
#include "MorvenaApp/MorvenaWindow.h"
#include "TemporaryFolder.h"
#include "ViewportPick.h"
#include "WidgetBenchmarkMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

using namespace morvena;

namespace {

using Clock = std::chrono::steady_clock;

bool waitUntil(const std::function<bool()>& condition, int timeoutMS = test::hangDeadlineMS)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMS)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Notes when the label paints while showing the text it waits for, and when the
// window's composition after that paint ends.
class PaintWatch : public QObject {
public:
    PaintWatch(QLabel& label, QOpenGLWidget& viewport)
        : label_(label)
    {
        label_.installEventFilter(this);
        connect(&viewport, &QOpenGLWidget::frameSwapped, this, [this] {
            if (painted_ && !shown_)
                shown_ = Clock::now();
        });
    }
    void expect(QString text)
    {
        expected_ = std::move(text);
        painted_.reset();
        shown_.reset();
    }
    std::optional<Clock::time_point> painted() const { return painted_; }
    std::optional<Clock::time_point> shown() const { return shown_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &label_ && event->type() == QEvent::Paint && shownText() == expected_ && !painted_)
            painted_ = Clock::now();
        return false;
    }

private:
    // The label's text without the breaks a wrapping label puts into a long word.
    QString shownText() const
    {
        const auto* wrapping = qobject_cast<const WrappingLabel*>(&label_);
        return wrapping ? wrapping->fullText() : label_.text();
    }

    QLabel& label_;
    QString expected_;
    std::optional<Clock::time_point> painted_;
    std::optional<Clock::time_point> shown_;
};

// The window's settings, in a folder of the program's own named before the window reads them.
struct ConfigHome {
    ConfigHome() { setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1); }
    test::TemporaryFolder folder {"viewer-bench"};
};

// The window, shown with its dataset drawn and framed.
class Session {
public:
    Session()
    {
        window.resize(1440, 900);
        window.show();
        QApplication::setActiveWindow(&window);
        ready = waitUntil([this] {
            auto& model = this->model();
            return model.metalView() && model.renderer() && model.renderer()->framesRendered() > 0
                && !model.renderer()->isAnimating() && window.findChild<ViewportContainer*>();
        });
        if (!ready)
            return;
        // Two structures a click finds, near the middle of the viewport.
        const QSize size = viewport().size();
        for (int radius = 0; radius < size.height() / 2 && targets.size() < 2; radius += 12)
            for (QPoint offset :
                {QPoint(0, radius), QPoint(0, -radius), QPoint(radius, 0), QPoint(-radius, 0)}) {
                const QPoint point = QPoint(size.width() / 2, size.height() / 2) + offset;
                auto hit = test::structureAt(model(), point, 7);
                if (hit && (targets.empty() || targets.front().second != *hit) && targets.size() < 2)
                    targets.emplace_back(point, *hit);
            }
        ready = targets.size() == 2 && window.findChild<QLabel*>("structureName");
    }

    AppModel& model() { return window.content().model(); }
    AnatomyMetalView& viewport() { return *window.findChild<ViewportContainer*>()->viewport(); }

    // One redraw of the window, with what the frame's statistics bring after it.
    void redraw()
    {
        const auto drawn = model().renderer()->framesRendered();
        bool swapped = false;
        auto connection = QObject::connect(&viewport(), &QOpenGLWidget::frameSwapped,
            [this, drawn, &swapped] { swapped = swapped || model().renderer()->framesRendered() > drawn; });
        viewport().update();
        while (!swapped)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QObject::disconnect(connection);
        QCoreApplication::processEvents();
    }

    ConfigHome configHome;
    SharedGLContext context;
    MorvenaWindow window {&context};
    bool ready = false;
    std::vector<std::pair<QPoint, std::int64_t>> targets;
};

Session* session = nullptr;

// Clicks the two structures in turn; `until` reads the end of each measure.
void clickToCard(benchmark::State& state, std::optional<Clock::time_point> (PaintWatch::*until)() const)
{
    auto& model = session->model();
    PaintWatch watch(*session->window.findChild<QLabel*>("structureName"), session->viewport());
    for (auto _ : state) {
        // Each click changes the card: the other structure than the one selected.
        const auto selected = model.selectedIndices();
        const auto& [point, index]
            = session->targets[!selected.empty() && selected.front() == session->targets[0].second ? 1 : 0];
        watch.expect(QString::fromStdString(model.structure(index)->displayName()));
        const auto start = Clock::now();
        QTest::mouseClick(session->window.windowHandle(), Qt::LeftButton, {},
            session->viewport().mapTo(&session->window, point));
        if (!waitUntil([&watch, until] { return (watch.*until)().has_value(); })) {
            state.SkipWithError("the inspector never showed the name");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(*(watch.*until)() - start).count());
        // The next click starts once the window shows this one.
        if (!waitUntil([&watch] { return watch.shown().has_value(); })) {
            state.SkipWithError("the window never showed the name");
            return;
        }
    }
}

void clickToPaintedCard(benchmark::State& state)
{
    clickToCard(state, &PaintWatch::painted);
}

void clickToShownCard(benchmark::State& state)
{
    clickToCard(state, &PaintWatch::shown);
}

void frame(benchmark::State& state)
{
    session->model().setShowStatistics(state.range(0) != 0);
    session->redraw();
    for (auto _ : state)
        session->redraw();
    session->model().setShowStatistics(false);
}

} // namespace

BENCHMARK(clickToPaintedCard)->Iterations(1)->Repetitions(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(clickToShownCard)->Iterations(1)->Repetitions(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(frame)->Arg(0)->Arg(1)->Iterations(100)->Repetitions(3)->UseRealTime()->Unit(
    benchmark::kMillisecond);

int main(int argc, char** argv)
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    return test::runWidgetBenchmarks(argc, argv, session,
        std::string("ViewerWindowBenchmark: no dataset drawn, or no two structures to click, under ")
            + (dataHome ? dataHome : "(XDG_DATA_HOME unset)"));
}
