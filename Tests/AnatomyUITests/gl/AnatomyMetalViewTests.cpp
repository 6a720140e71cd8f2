#include "AnatomyUI/SharedGLContext.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/AnatomyViewportView.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "HangDeadline.h"
#include "TestPacks.h"
#include "TestSandbox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QOpenGLDebugLogger>
#include <QOpenGLFunctions>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace morvena;
using namespace morvena::test;

namespace {

// The window the view lives in; it records the keys other than modifiers that reach it.
class ParentWindow : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_Shift && event->key() != Qt::Key_Control)
            keys.push_back(event->key());
    }
};

// Errors the driver reports in the context current when attached.
class GLErrorLog {
public:
    void attach(QObject* parent)
    {
        logger_ = new QOpenGLDebugLogger(parent); // owned by parent
        ASSERT_TRUE(logger_->initialize());
        QObject::connect(logger_, &QOpenGLDebugLogger::messageLogged, [this](const QOpenGLDebugMessage& m) {
            if (m.type() == QOpenGLDebugMessage::ErrorType)
                errors.push_back(m.message().toStdString());
        });
        logger_->startLogging(QOpenGLDebugLogger::SynchronousLogging);
    }
    std::vector<std::string> errors;

private:
    QOpenGLDebugLogger* logger_ = nullptr;
};

bool isScaledByTwo()
{
    return qEnvironmentVariable("QT_SCALE_FACTOR") == "2";
}

// Counts the exposes the window system sends a window.
struct WindowSystemPaints : QObject {
    explicit WindowSystemPaints(QWindow& window) { window.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        exposes += event->type() == QEvent::Expose;
        return false;
    }
    int exposes = 0;
};

// A renderer made in the shared context before any widget, then shown in a window
// through AnatomyViewportView with every callback recorded.
struct ViewFixture {
    explicit ViewFixture(std::vector<TestCube> cubes = {TestCube {AnatomySystem::skeletal, {0, 0, 0}, 1}})
    {
        pack = makeCubePack(folder, cubes);
        auto scene = std::make_shared<AnatomyScene>(
            pack, std::set<AnatomySystem>(allAnatomySystems().begin(), allAnatomySystems().end()));
        renderer = shared.makeRenderer(pack, scene);
        window = std::make_unique<ParentWindow>();
        window->resize(320, 240);
        auto* layout = new QVBoxLayout(window.get()); // owned by the window
        layout->setContentsMargins(0, 0, 0, 0);

        AnatomyViewportView viewport;
        viewport.renderer = renderer;
        viewport.onSelect = [this](float2 point, PointerModifier mode) {
            selections.emplace_back(point, mode);
            picked = renderer->pick(point, view->drawableSize(), 7);
        };
        viewport.onDoubleClick = [this](float2 point) { doubleClicks.push_back(point); };
        viewport.onHover = [this](std::optional<float2> point) { hovers.push_back(point); };
        viewport.onCameraChanged = [this] { ++cameraChanges; };
        viewport.onKey = [this](std::string_view text, KeyModifiers modifiers) {
            keys.emplace_back(std::string(text), modifiers);
            return text != "x";
        };
        viewport.onViewReady = [this](AnatomyMetalView& ready) {
            ++readyCount;
            readyDrawable = ready.drawableSize();
            // Without a window manager the window may never be active, so the focus
            // shows as the window's focus widget rather than as hasFocus().
            focusedWhenReady = ready.window()->focusWidget() == &ready;
        };
        view = viewport.make(window.get());
        layout->addWidget(view);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get(), hangDeadlineMS));
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return readyCount > 0 && renderer->framesRendered() > 0; }, hangDeadlineMS));
    }

    QPointF centre() const { return {view->width() / 2.0, view->height() / 2.0}; }

    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
        Qt::KeyboardModifiers modifiers = {})
    {
        QMouseEvent event(type, at, view->mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(view, &event);
    }
    void click(QPointF at, Qt::KeyboardModifiers modifiers = {})
    {
        mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, modifiers);
        mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, modifiers);
    }

    SharedGLContext shared;
    TemporaryFolder folder;
    std::shared_ptr<MeshPack> pack;
    std::shared_ptr<AnatomyRenderer> renderer;
    std::unique_ptr<ParentWindow> window;
    AnatomyMetalView* view = nullptr; // owned by the window

    std::vector<std::pair<float2, PointerModifier>> selections;
    std::optional<std::int64_t> picked;
    std::vector<float2> doubleClicks;
    std::vector<std::optional<float2>> hovers;
    int cameraChanges = 0;
    std::vector<std::pair<std::string, KeyModifiers>> keys;
    int readyCount = 0;
    float2 readyDrawable;
    bool focusedWhenReady = false;
};

} // namespace

TEST(AnatomyMetalView, showsTheRendererMadeBeforeAnyWidgetAndIsReadyOnce)
{
    ViewFixture f;
    auto image = f.view->grabFramebuffer();
    image.save(QString::fromStdString(reviewArtifact("viewport-cube.png").string()));
    auto centre = image.pixelColor(image.width() / 2, image.height() / 2);
    auto corner = image.pixelColor(2, 2);
    EXPECT_GT(centre.lightness(), corner.lightness() + 40) << "the cube is drawn over the background";
    EXPECT_GT(f.renderer->framesRendered(), 0);

    f.window->resize(360, 260);
    QTest::qWait(50);
    EXPECT_EQ(f.readyCount, 1);
    EXPECT_GT(f.readyDrawable.x, 0);
    EXPECT_GT(f.readyDrawable.y, 0);
    EXPECT_TRUE(f.focusedWhenReady);
}

TEST(AnatomyMetalView, clickPicksTheCubeThroughTheCallback)
{
    ViewFixture f;
    double ratio = f.view->devicePixelRatioF();
    if (isScaledByTwo()) {
        EXPECT_EQ(ratio, 2.0);
    }
    EXPECT_EQ(f.view->drawableSize(),
        (float2 {static_cast<float>(f.view->width() * ratio), static_cast<float>(f.view->height() * ratio)}));

    QTest::mouseClick(f.view, Qt::LeftButton, {}, f.centre().toPoint());
    ASSERT_EQ(f.selections.size(), 1u);
    auto expected = f.centre().toPoint() * ratio;
    EXPECT_EQ(
        f.selections[0].first, (float2 {static_cast<float>(expected.x()), static_cast<float>(expected.y())}));
    EXPECT_EQ(f.selections[0].second, PointerModifier::none);
    EXPECT_EQ(f.picked, 0);

    f.click({3, 3}, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(f.selections.size(), 2u);
    EXPECT_EQ(f.selections[1].second, PointerModifier::subtractive);
    EXPECT_FALSE(f.picked);
}

TEST(AnatomyMetalView, dragOrbitsWithoutSelectingAndDoubleClickSelectsOnce)
{
    ViewFixture f;
    float yaw = f.renderer->camera().yaw;
    auto start = f.centre();
    f.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    f.mouse(QEvent::MouseMove, start + QPointF(10, 0), Qt::NoButton, Qt::LeftButton);
    f.mouse(QEvent::MouseMove, start + QPointF(25, 0), Qt::NoButton, Qt::LeftButton);
    f.mouse(QEvent::MouseButtonRelease, start + QPointF(25, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(f.selections.empty());
    EXPECT_NEAR(f.renderer->camera().yaw, yaw - 25 * 0.008f, 1e-5);
    EXPECT_EQ(f.cameraChanges, 2);

    // Qt delivers a double click as press, release, double-click, release.
    f.click(start);
    f.mouse(QEvent::MouseButtonDblClick, start, Qt::LeftButton, Qt::LeftButton);
    f.mouse(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.selections.size(), 1u);
    EXPECT_EQ(f.doubleClicks.size(), 1u);
}

TEST(AnatomyMetalView, keysGiveTheirTextAndModifiersAndUnhandledOnesReachTheParent)
{
    ViewFixture f;
    QTest::keyClick(f.view, Qt::Key_I, Qt::ShiftModifier);
    QTest::keyClick(f.view, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClick(f.view, Qt::Key_X);
    ASSERT_EQ(f.keys.size(), 3u);
    EXPECT_EQ(f.keys[0], (std::pair<std::string, KeyModifiers> {"i", KeyModifiers::shift}));
    EXPECT_EQ(f.keys[1], (std::pair<std::string, KeyModifiers> {"g", KeyModifiers::command}));
    EXPECT_EQ(f.window->keys, std::vector<int> {Qt::Key_X});
}

TEST(AnatomyMetalView, wheelLineZoomsByItsFactor)
{
    ViewFixture f;
    float distance = f.renderer->camera().distance;
    QWheelEvent wheel(f.centre(), f.view->mapToGlobal(f.centre()), QPoint(), QPoint(0, 120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.view, &wheel);
    EXPECT_NEAR(f.renderer->camera().distance, distance * std::exp(-0.06f), distance * 1e-5);
    EXPECT_EQ(f.cameraChanges, 1);
}

TEST(AnatomyMetalView, pausesWhenMinimisedOrHiddenAndRedrawsOneFrameOnRequest)
{
    ViewFixture f;
    auto pausedAfter = [&](auto change) {
        change();
        return QTest::qWaitFor([&] { return f.view->isPaused(); }, hangDeadlineMS);
    };
    auto oneFrameOnRequest = [&] {
        // Frames asked for before the pause may still come: wait until none does.
        auto before = f.renderer->framesRendered();
        do {
            before = f.renderer->framesRendered();
            QTest::qWait(150);
        } while (f.renderer->framesRendered() != before);
        // A virtual X server without a window manager may expose the "minimised" window
        // again: the paints the window system asks for, or frames while the view runs for
        // a moment, are not the view's doing. Past either, only the frame drawn at once counts.
        WindowSystemPaints paints(*f.window->windowHandle());
        bool ran = false;
        const auto watching
            = QObject::connect(f.view, &QOpenGLWidget::frameSwapped, [&] { ran |= !f.view->isPaused(); });
        f.view->requestRedraw();
        const auto drawnAtOnce = f.renderer->framesRendered() - before;
        QTest::qWait(100);
        QObject::disconnect(watching);
        return paints.exposes > 0 || ran ? drawnAtOnce : f.renderer->framesRendered() - before;
    };
    auto resumes = [&] {
        if (!QTest::qWaitFor([&] { return !f.view->isPaused(); }, hangDeadlineMS))
            return false;
        auto before = f.renderer->framesRendered();
        return QTest::qWaitFor([&] { return f.renderer->framesRendered() > before + 2; }, hangDeadlineMS);
    };

    ASSERT_TRUE(pausedAfter([&] { f.window->showMinimized(); }));
    EXPECT_EQ(oneFrameOnRequest(), 1);
    f.window->showNormal();
    EXPECT_TRUE(resumes());

    ASSERT_TRUE(pausedAfter([&] { f.window->hide(); }));
    EXPECT_EQ(oneFrameOnRequest(), 1);
    f.window->show();
    EXPECT_TRUE(resumes());
}

TEST(AnatomyMetalView, viewThenRendererGoWithoutGLErrors)
{
    ViewFixture f;
    GLErrorLog sharedLog;
    GLErrorLog viewLog;
    f.shared.makeCurrent();
    sharedLog.attach(&f.shared.context());
    f.view->makeCurrent();
    viewLog.attach(f.view->context());
    f.view->update();
    QTest::qWait(50);
    f.window.reset();
    f.renderer.reset();
    f.shared.makeCurrent();
    EXPECT_EQ(f.shared.context().functions()->glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(sharedLog.errors, std::vector<std::string>());
    EXPECT_EQ(viewLog.errors, std::vector<std::string>());
}
