#include "ImportedDataset.h"
#include "ViewerFixture.h"
#include "ViewportPick.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/CapsuleButton.h"
#include "AnatomyUI/Viewport/Chip.h"
#include "AnatomyUI/Viewport/DepthControl.h"
#include "AnatomyUI/Viewport/HoverLabel.h"
#include "AnatomyUI/Viewport/OrientationControls.h"
#include "AnatomyUI/Viewport/StatisticsPanel.h"
#include "AnatomyUI/Viewport/StatusChips.h"
#include "AnatomyUI/Viewport/ViewportContainer.h"
#include "AnatomyUI/Viewport/ViewportTools.h"
#include "MorvenaApp/MorvenaWindow.h"

#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

using namespace morvena;
using namespace morvena::test;

namespace {

using Tool = ViewportTools::Tool;

constexpr int clickTolerance = 7; // the model's, for clicks
constexpr int missTolerance = 16; // the widest the renderer searches after a miss

// The viewer's window at 1440 × 900 over a dataset imported by mrvtool, driven
// through its window-system window as a user's pointer and keys drive it: every
// event finds its widget the way a real one does, past every floating panel.
class ClickSession {
public:
    ClickSession()
    {
        ImportedDataset::shared().install(sandbox.dataHome);
        window = std::make_unique<MorvenaWindow>(&context);
        window->resize(1440, 900);
    }

    // Shows the window and waits for the first frames and the end of the framing.
    void open()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), hangDeadlineMS));
        activate();
        ASSERT_TRUE(waitUntil([this] {
            return model().metalView() && model().renderer() && model().renderer()->framesRendered() > 0
                && !model().renderer()->isAnimating() && window->findChild<ViewportContainer*>();
        })) << "the dataset was not drawn; title: "
            << window->windowTitle().toStdString();
        ASSERT_EQ(window->size(), QSize(1440, 900));
    }

    // Other programs share the X server and its focus: Qt is told again which window
    // is active, which is what hovering and keys look at.
    void activate()
    {
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(waitUntil([this] { return window->isActiveWindow(); }));
    }

    AppModel& model() const { return window->content().model(); }
    ViewportContainer& container() const { return *window->findChild<ViewportContainer*>(); }
    AnatomyMetalView& viewport() const { return *container().viewport(); }
    QWindow* handle() const { return window->windowHandle(); }

    QPoint toWindow(QPointF viewportPoint) const
    {
        return viewport().mapTo(window.get(), viewportPoint.toPoint());
    }
    QPoint toWindow(const QWidget& widget, QPoint point) const { return widget.mapTo(window.get(), point); }

    void click(QPointF viewportPoint, Qt::KeyboardModifiers modifiers = {}) const
    {
        QTest::mouseClick(handle(), Qt::LeftButton, modifiers, toWindow(viewportPoint));
    }

    // What the renderer finds at a point of the viewport, asked as a click asks.
    std::optional<std::int64_t> structureAt(QPointF point, int tolerance) const
    {
        return test::structureAt(model(), point, tolerance);
    }

    // A point of the viewport where a click hits a structure, away from the floating
    // panels, nearest the middle first; `accepts` may refuse what it hits.
    std::optional<std::pair<QPointF, std::int64_t>> hitNearTheMiddle(
        const std::function<bool(QPointF, std::int64_t)>& accepts) const
    {
        for (QPointF point : candidates(true)) {
            auto hit = structureAt(point, 0);
            if (hit && structureAt(point, clickTolerance) == hit && accepts(point, *hit))
                return std::pair(point, *hit);
        }
        return std::nullopt;
    }

    // A point of the viewport with no structure within the widest search, away from the panels.
    std::optional<QPointF> background() const
    {
        for (QPointF point : candidates(false))
            if (!structureAt(point, missTolerance))
                return point;
        return std::nullopt;
    }

    std::string nameOf(std::int64_t index) const
    {
        auto card = model().structure(index);
        return card ? card->displayName() : std::string();
    }

    QLabel* inspectorName() const { return window->findChild<QLabel*>("structureName"); }
    QLabel* multipleSelectionHeader() const
    {
        for (auto* label : window->findChildren<QLabel*>())
            if (label->text().startsWith("SELEZIONE MULTIPLA") && label->isVisible())
                return label;
        return nullptr;
    }

    ModelSandbox sandbox;
    SharedGLContext context;
    std::unique_ptr<MorvenaWindow> window;

private:
    // Grid points of the viewport off the floating panels, nearest the middle first
    // or farthest first.
    std::vector<QPointF> candidates(bool middleFirst) const
    {
        const QSizeF size = viewport().size();
        const QPointF middle(size.width() / 2, size.height() / 2);
        std::vector<QPointF> points;
        constexpr int step = 20;
        for (int y = step; y < size.height() - step; y += step)
            for (int x = step; x < size.width() - step; x += step)
                if (!underAPanel(QPointF(x, y)))
                    points.emplace_back(x, y);
        auto distance
            = [middle](QPointF point) { return std::hypot(point.x() - middle.x(), point.y() - middle.y()); };
        std::sort(points.begin(), points.end(), [&](QPointF a, QPointF b) {
            return middleFirst ? distance(a) < distance(b) : distance(a) > distance(b);
        });
        return points;
    }

    bool underAPanel(QPointF point) const
    {
        const auto& shown = container();
        const QWidget* panels[] = {&shown.orientationControls(), &shown.statisticsPanel(),
            &shown.statusChips(), &shown.tools(), &shown.depthControl()};
        const QPoint inContainer = viewport().mapTo(&shown, point.toPoint());
        return std::any_of(std::begin(panels), std::end(panels), [inContainer](const QWidget* panel) {
            return panel->isVisible() && panel->geometry().adjusted(-24, -24, 24, 24).contains(inContainer);
        });
    }
};

std::string selectionText(const AppModel& model)
{
    std::string text;
    for (auto index : model.selectedIndices())
        text += std::to_string(index) + " ";
    return text.empty() ? "(nessuna)" : text;
}

// Opens a menu with a click and, once its own event loop shows it, moves to the entry
// and clicks it. The menu is closed if the entry was not chosen, so that nothing stays
// waiting in its loop.
class MenuChoice {
public:
    MenuChoice(QMenu& menu, QString entry)
        : menu_(menu)
        , entry_(std::move(entry))
    {
        clock_.start();
        poll_.setInterval(20);
        QObject::connect(&poll_, &QTimer::timeout, [this] { chooseOnceShown(); });
        poll_.start();
    }
    bool chosen() const { return chosen_; }

private:
    void chooseOnceShown()
    {
        if (!menu_.isVisible() || !menu_.windowHandle() || !menu_.windowHandle()->isExposed()) {
            if (clock_.elapsed() > hangDeadlineMS)
                poll_.stop();
            return;
        }
        poll_.stop();
        for (QAction* action : menu_.actions()) {
            if (action->text() != entry_)
                continue;
            const QRect place = menu_.actionGeometry(action);
            // The menu takes a click only after the pointer moved over it.
            for (int x = place.left() + 4; x < place.center().x(); x += 4)
                QTest::mouseMove(menu_.windowHandle(), QPoint(x, place.center().y()));
            QTest::mouseClick(menu_.windowHandle(), Qt::LeftButton, {}, place.center());
            chosen_ = true;
        }
        if (menu_.isVisible())
            menu_.close();
    }

    QMenu& menu_;
    QString entry_;
    QTimer poll_;
    QElapsedTimer clock_;
    bool chosen_ = false;
};

} // namespace

TEST(MorvenaClicks, clicksThroughTheWindowSelectAddAndClear)
{
    ClickSession session;
    ASSERT_NO_FATAL_FAILURE(session.open());
    auto& model = session.model();

    // A click where the renderer finds a structure selects it, by name in both titles.
    auto first = session.hitNearTheMiddle([](QPointF, std::int64_t) { return true; });
    ASSERT_TRUE(first) << "no point of the viewport shows a structure";
    const auto [firstPoint, firstIndex] = *first;
    const std::string firstName = session.nameOf(firstIndex);
    ASSERT_FALSE(firstName.empty());
    session.click(firstPoint);
    ASSERT_EQ(model.selectedIndices(), std::vector<std::int64_t> {firstIndex})
        << "a click at " << firstPoint.x() << "," << firstPoint.y() << " selected " << selectionText(model);
    auto* name = session.inspectorName();
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(waitUntil([&] { return name->isVisible() && name->text().toStdString() == firstName; }))
        << "inspector shows \"" << name->text().toStdString() << "\" for \"" << firstName << "\"";
    EXPECT_TRUE(session.window->windowTitle().startsWith(QString::fromStdString(firstName)))
        << session.window->windowTitle().toStdString();

    // Shift adds a second structure.
    auto second = session.hitNearTheMiddle([&](QPointF, std::int64_t index) { return index != firstIndex; });
    ASSERT_TRUE(second) << "the viewport shows one structure only";
    session.click(second->first, Qt::ShiftModifier);
    EXPECT_EQ(model.selectedIndices(), (std::vector<std::int64_t> {firstIndex, second->second}))
        << selectionText(model);
    EXPECT_TRUE(waitUntil([&] {
        auto* header = session.multipleSelectionHeader();
        return header && header->text() == "SELEZIONE MULTIPLA (2)";
    })) << "no \"SELEZIONE MULTIPLA (2)\" in the inspector";

    // The background clears the selection, and the titles with it.
    auto background = session.background();
    ASSERT_TRUE(background) << "the body covers the whole viewport";
    session.click(*background);
    EXPECT_TRUE(model.selectedIndices().empty()) << "a click on the background at " << background->x() << ","
                                                 << background->y() << " left " << selectionText(model);
    EXPECT_TRUE(waitUntil([&] { return !name->isVisible() && !session.multipleSelectionHeader(); }));
    EXPECT_FALSE(session.window->windowTitle().contains(QString::fromStdString(firstName)))
        << session.window->windowTitle().toStdString();

    // The hover label lets a click through: hovering a structure whose label lands
    // on another one, a click in the label selects what lies under it.
    auto& label = *session.container().hoverLabel();
    const qreal width = session.container().width();
    auto hover = session.hitNearTheMiddle([&](QPointF point, std::int64_t) {
        const QPointF middle = HoverLabel::centre(point, width);
        return middle.y() == point.y() - 26 && session.structureAt(middle, 0)
            && session.structureAt(middle, clickTolerance) == session.structureAt(middle, 0);
    });
    ASSERT_TRUE(hover) << "no structure has another one just above it";
    ASSERT_NO_FATAL_FAILURE(session.activate());
    QTest::mouseMove(session.handle(), session.toWindow(hover->first));
    ASSERT_TRUE(waitUntil([&] {
        return label.isVisible() && label.opacity() == 1 && !label.text().isEmpty();
    })) << "no hover label over the structure at "
        << hover->first.x() << "," << hover->first.y();
    EXPECT_EQ(label.text().toStdString(), session.nameOf(hover->second));
    const QPoint inLabel = label.geometry().center();
    const auto underLabel
        = session.structureAt(session.viewport().mapFrom(&session.container(), inLabel), clickTolerance);
    ASSERT_TRUE(underLabel);
    QTest::mouseClick(session.handle(), Qt::LeftButton, {}, session.toWindow(session.container(), inLabel));
    EXPECT_EQ(model.selectedIndices(), std::vector<std::int64_t> {*underLabel})
        << "the click in the label \"" << label.text().toStdString() << "\" selected "
        << selectionText(model);
}

TEST(MorvenaClicks, toolsKeysAndTheOptionsMenuAfterClicks)
{
    ClickSession session;
    ASSERT_NO_FATAL_FAILURE(session.open());
    auto& model = session.model();
    auto& tools = session.container().tools();

    // A click on the viewport, then on a tool: the key still reaches the viewport.
    auto hit = session.hitNearTheMiddle([](QPointF, std::int64_t) { return true; });
    ASSERT_TRUE(hit) << "no point of the viewport shows a structure";
    session.click(hit->first);
    ASSERT_EQ(model.selectedIndices(), std::vector<std::int64_t> {hit->second}) << selectionText(model);
    auto& frameAll = tools.button(Tool::frameAll);
    ASSERT_TRUE(frameAll.visibleRegion().contains(frameAll.rect().center())) << "the tool is scrolled away";
    QSignalSpy pressed(&frameAll, &QAbstractButton::clicked);
    QTest::mouseClick(
        session.handle(), Qt::LeftButton, {}, session.toWindow(frameAll, frameAll.rect().center()));
    EXPECT_EQ(pressed.count(), 1) << "the click missed the tool";
    ASSERT_NO_FATAL_FAILURE(session.activate());
    QTest::keyClick(session.handle(), Qt::Key_I);
    EXPECT_TRUE(model.isolationActive())
        << "\"i\" did not isolate; focus on "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing");
    EXPECT_TRUE(waitUntil([&] { return session.container().statusChips().isolationChip().isVisible(); }));

    // "Alta definizione", chosen from the options menu, and the frames keep coming.
    auto& options = tools.optionsButton();
    MenuChoice choice(tools.optionsMenu(), "Alta definizione");
    QTest::mouseClick(
        session.handle(), Qt::LeftButton, {}, session.toWindow(options, options.rect().center()));
    ASSERT_TRUE(waitUntil([&] { return choice.chosen() && !tools.optionsMenu().isVisible(); }))
        << "the options menu did not open or offer \"Alta definizione\"";
    EXPECT_EQ(model.quality(), RenderQuality::alta);
    const auto framesBefore = model.renderer()->framesRendered();
    for (int frame = 0; frame < 3; ++frame) {
        QSignalSpy swapped(&session.viewport(), &QOpenGLWidget::frameSwapped);
        session.viewport().update();
        ASSERT_TRUE(swapped.wait(hangDeadlineMS)) << "no frame " << frame + 1 << " after the quality changed";
    }
    EXPECT_GE(model.renderer()->framesRendered(), framesBefore + 3);
    model.metalView()->makeCurrent(); // the renderer answers for the current context
    EXPECT_GT(model.renderer()->sceneSampleCount(), 0) << "the last frames had no scene targets";
}
