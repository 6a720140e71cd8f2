#include "ViewerFixture.h"

#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/CapsuleButton.h"
#include "AnatomyUI/Viewport/Chip.h"
#include "AnatomyUI/Viewport/DepthControl.h"
#include "AnatomyUI/Viewport/HoverLabel.h"
#include "AnatomyUI/Viewport/MeasurementOverlay.h"
#include "AnatomyUI/Viewport/OrientationControls.h"
#include "AnatomyUI/Viewport/StatisticsPanel.h"
#include "AnatomyUI/Viewport/StatusChips.h"
#include "AnatomyUI/Viewport/ViewportContainer.h"
#include "AnatomyUI/Viewport/ViewportTools.h"

#include <QLabel>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

namespace {

using Tool = ViewportTools::Tool;

// The window with the three boxes loaded and drawn; its container.
struct ReadyWindow {
    ReadyWindow()
    {
        fixture.makeContentView();
        fixture.sandbox.install(threeBoxes());
        fixture.view->model().load("tre");
        fixture.show();
    }
    AppModel& model() const { return fixture.view->model(); }
    ViewportContainer& container() const { return *fixture.view->findChild<ViewportContainer*>(); }
    // Waits for the viewport's next frame.
    bool nextFrame() const
    {
        QSignalSpy swapped(fixture.view->viewport(), &QOpenGLWidget::frameSwapped);
        fixture.view->viewport()->update();
        return swapped.wait(hangDeadlineMS);
    }

    mutable ViewerFixture fixture;
};

int orangePixels(const QImage& image, QRect area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            count += colour.red() > 200 && colour.green() > 110 && colour.green() < 190 && colour.blue() < 60;
        }
    return count;
}

// Counts the layout requests a widget receives.
struct LayoutRequests : QObject {
    explicit LayoutRequests(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::LayoutRequest;
        return false;
    }
    int count = 0;
};

} // namespace

TEST(ViewportContainer, everySymbolResolvesInTheRegistry)
{
    std::vector<std::string_view> symbols {"arrow.counterclockwise", "viewfinder", "scope",
        "square.on.square.dashed", "circle.dotted.circle", "circle.dotted.circle.fill", "ruler", "ruler.fill",
        "tag", "tag.fill", "camera", "moon.fill", "sun.max.fill", "slider.horizontal.3", "cube.transparent",
        "xmark", "eye.slash"};
    for (const auto& level : DepthControl::levels)
        symbols.push_back(level.symbol);
    for (auto symbol : symbols)
        EXPECT_TRUE(IconRegistry::shared().file(symbol).has_value()) << symbol;
}

TEST(ViewportContainer, floatingControlsWithoutARenderer)
{
    ViewerFixture fixture;
    AppModel model(fixture.services());
    ViewportContainer container(model);
    container.resize(800, 600);
    container.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&container, hangDeadlineMS));
    EXPECT_EQ(container.viewport(), nullptr);
    EXPECT_EQ(container.measurementOverlay(), nullptr);
    EXPECT_EQ(container.hoverLabel(), nullptr);
    EXPECT_EQ(container.statusChips().orientationText().text(), "—");
    for (CameraPreset preset : allCameraPresets())
        EXPECT_FALSE(container.orientationControls().button(preset)->isActive());
    EXPECT_TRUE(container.depthControl().isVisible());
    EXPECT_TRUE(container.tools().isVisible());
    EXPECT_FALSE(container.statusChips().isolationChip().isVisible());
    EXPECT_FALSE(container.statusChips().hiddenChip().isVisible());
    // Every control acts as its model operation does with nothing loaded.
    container.orientationControls().button(CameraPreset::left)->click();
    container.tools().button(Tool::background).click();
    EXPECT_FALSE(model.darkBackground());
    EXPECT_FALSE(fixture.sandbox.preferences->darkBackground());
    // The panels keep inside the container, 16 in, the tool strip clear of the chips.
    const QRect inner = container.rect().adjusted(16, 16, -16, -16);
    for (QWidget* panel : std::initializer_list<QWidget*> {&container.orientationControls(),
             &container.depthControl(), &container.statusChips(), &container.tools()})
        EXPECT_TRUE(inner.contains(panel->geometry())) << panel->metaObject()->className();
    EXPECT_GE(container.tools().geometry().left() - container.statusChips().geometry().right(), 12);
    EXPECT_LE(container.tools().width(), 560);
}

// However narrow the viewport, the strip shows whole buttons, the options button among
// them, and the last tools it hides are the entries of its overflow menu, which act as they do.
TEST(ViewportContainer, aNarrowToolStripMovesItsLastToolsToAMenu)
{
    ViewerFixture fixture;
    AppModel model(fixture.services());
    ViewportContainer container(model);
    container.show();
    auto& tools = container.tools();
    const auto entries = [&tools] {
        emit tools.overflowMenu().aboutToShow();
        return tools.overflowMenu().actions();
    };
    for (int width : {800, 360, 200}) {
        SCOPED_TRACE(width);
        container.resize(width, 600);
        QApplication::processEvents();
        for (auto* button : tools.findChildren<CapsuleButton*>()) {
            const QRect area(button->mapTo(&tools, QPoint(0, 0)), button->size());
            EXPECT_TRUE(button->isHidden() || tools.rect().contains(area)) << button->toolTip().toStdString();
        }
        EXPECT_FALSE(tools.optionsButton().isHidden());
        QStringList hidden;
        for (int index = 0; index <= static_cast<int>(Tool::background); ++index) {
            auto& button = tools.button(static_cast<Tool>(index));
            EXPECT_TRUE(hidden.isEmpty() || button.isHidden()) << "only the last tools go";
            if (button.isHidden())
                hidden << button.toolTip();
        }
        EXPECT_EQ(hidden.isEmpty(), width == 800);
        EXPECT_EQ(tools.overflowButton().isHidden(), hidden.isEmpty());
        QStringList texts;
        for (QAction* action : entries())
            texts << action->text();
        EXPECT_EQ(texts, hidden);
    }
    ASSERT_EQ(entries().size(), 9);
    const bool dark = model.darkBackground();
    entries().last()->trigger();
    EXPECT_NE(model.darkBackground(), dark);
    entries().at(static_cast<int>(Tool::measure))->trigger();
    EXPECT_TRUE(model.measureMode());
    EXPECT_TRUE(entries().at(static_cast<int>(Tool::measure))->isChecked());
}

TEST(ViewportContainer, hoverLabelKeepsClearOfTheEdges)
{
    struct Case {
        QPointF point;
        QPointF centre;
    };
    for (auto [point, centre] : std::vector<Case> {{{10, 300}, {90, 274}}, {{790, 300}, {710, 274}},
             {{400, 30}, {400, 20}}, {{400, 100}, {400, 74}}})
        EXPECT_EQ(HoverLabel::centre(point, 800), centre) << point.x() << "," << point.y();
}

// A label 120 × 22 in a container 800 × 600, beside a layers strip 16 from its left edge.
TEST(ViewportContainer, hoverLabelTakesAPlaceClearOfThePanelsWhereOneIs)
{
    const QRect strip(16, 200, 36, 200);
    struct Case {
        const char* name;
        QPointF point;
        std::vector<QRect> panels;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"above meets a panel: below", {400, 300}, {{300, 250, 200, 30}}, {340, 321}},
        {"right of the strip: just beside it, over the pointer", {60, 300}, {strip}, {58, 263}},
        {"left of the strip: just right of it", {8, 300}, {strip}, {58, 263}},
        {"none clear: above, under the panels", {8, 300}, {strip, {52, 200, 700, 200}}, {30, 263}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            HoverLabel::placed({120, 22}, c.point, {800, 600}, c.panels), QRect(c.topLeft, QSize(120, 22)))
            << c.name;
}

TEST(ViewportContainer, hoverLabelFadesInSlidesToANewNameAndFadesOut)
{
    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent, hangDeadlineMS));
    auto* label = new HoverLabel(&parent);
    QElapsedTimer clock;

    clock.start();
    label->showAt("Femore", {400, 300}, {800, 600});
    EXPECT_TRUE(label->isVisible());
    EXPECT_LT(label->opacity(), 0.5) << "a new label starts transparent";
    ASSERT_TRUE(waitUntil([label] { return label->opacity() == 1; }));
    EXPECT_GE(clock.elapsed(), HoverLabel::transitionMS - 20);

    // A longer name: the capsule grows over the transition, centred on the pointer.
    const int shortWidth = label->width();
    label->showAt("Muscolo bicipite femorale", {400, 300}, {800, 600});
    const int longWidth = label->sizeHint().width();
    ASSERT_GT(longWidth, shortWidth);
    EXPECT_LT(label->width(), longWidth) << "the new size came at once";
    ASSERT_TRUE(waitUntil([label, longWidth] { return label->width() == longWidth; }));
    EXPECT_NEAR(label->geometry().center().x(), 400, 1);
    EXPECT_NEAR(label->geometry().center().y(), 274, 1);
    EXPECT_EQ(label->opacity(), 1) << "a new name keeps the label shown";

    // Going, it stays shown while it fades and is hidden at the end.
    label->fadeOut();
    EXPECT_TRUE(label->isVisible());
    ASSERT_TRUE(waitUntil([label] { return label->isHidden(); }));
    EXPECT_EQ(label->opacity(), 0);

    // Shown again while fading out, it comes back and stays.
    label->showAt("Femore", {200, 200}, {800, 600});
    ASSERT_TRUE(waitUntil([label] { return label->opacity() == 1; }));
    label->fadeOut();
    label->showAt("Femore", {200, 200}, {800, 600});
    ASSERT_TRUE(waitUntil([label] { return label->opacity() == 1; }));
    QTest::qWait(HoverLabel::transitionMS * 3); // past the end the fade-out had
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->opacity(), 1);
    EXPECT_NEAR(label->geometry().center().x(), 200, 1);
}

TEST(ViewportContainer, textsOfTheReadoutAndTheStatistics)
{
    EXPECT_EQ(StatusChips::millimetres(123.4f), "123.4 mm");
    EXPECT_EQ(StatusChips::centimetres(123.4f), "12.34 cm");
    RenderStats stats {.frameTimeMS = 8.333,
        .fps = 119.6,
        .drawCalls = 42,
        .triangles = 1234567,
        .visibleStructures = 300,
        .culledStructures = 12,
        .gpuMemoryMB = 96};
    const auto values = StatisticsPanel::values(stats);
    EXPECT_EQ(values[0], "120");
    EXPECT_EQ(values[1], "8.33 ms");
    EXPECT_EQ(values[2], QLocale().toString(1234567));
    EXPECT_EQ(values[3], "42");
    EXPECT_EQ(values[6], "96 MB");

    // New values every frame change texts only: the panel is never laid out again.
    StatisticsPanel panel;
    panel.QWidget::show();
    QApplication::processEvents();
    LayoutRequests requests(panel);
    for (int frame = 0; frame < 5; ++frame) {
        stats.fps += 10.5;
        stats.triangles = (frame + 1) * 150000000; // up to nine digits
        panel.show(stats);
        QApplication::processEvents();
    }
    EXPECT_EQ(panel.value(2).text(), QLocale().toString(stats.triangles));
    EXPECT_EQ(requests.count, 0);
}

TEST(ViewportContainer, overlayDrawsTheLineOnlyBetweenTwoPoints)
{
    MeasurementOverlay overlay;
    overlay.resize(200, 100);
    const QRect betweenMarkers(60, 45, 80, 10);
    overlay.setPoints({{40, 50}});
    QImage one = overlay.grab().toImage();
    EXPECT_GT(orangePixels(one, QRect(35, 45, 10, 10)), 10);
    EXPECT_EQ(orangePixels(one, betweenMarkers), 0);
    overlay.setPoints({{40, 50}, {160, 50}});
    QImage two = overlay.grab().toImage();
    EXPECT_GT(orangePixels(two, QRect(155, 45, 10, 10)), 10);
    EXPECT_GT(orangePixels(two, betweenMarkers), 20);
}

// Camera moves change no model field: the orientation must still follow them.
TEST(ViewportContainer, orientationFollowsTheCameraAfterEachFrame)
{
    ReadyWindow window;
    auto& container = window.container();
    ASSERT_TRUE(window.nextFrame());
    ASSERT_NE(window.model().orientationLabel(), "Laterale sinistra");
    window.fixture.context.makeCurrent();
    OrbitCamera camera = window.model().renderer()->camera();
    camera.apply(CameraPreset::left);
    window.model().renderer()->setCamera(camera);
    ASSERT_EQ(window.model().orientationLabel(), "Laterale sinistra");
    ASSERT_TRUE(window.nextFrame());
    EXPECT_EQ(container.statusChips().orientationText().text(), "Laterale sinistra");
    EXPECT_TRUE(container.orientationControls().button(CameraPreset::left)->isActive());
    EXPECT_FALSE(container.orientationControls().button(CameraPreset::anterior)->isActive());
}

TEST(ViewportContainer, measuringSwitchAndClear)
{
    ReadyWindow window;
    auto& tools = window.container().tools();
    auto& chips = window.container().statusChips();
    tools.button(Tool::measure).click();
    EXPECT_TRUE(window.model().measureMode());
    EXPECT_EQ(tools.button(Tool::measure).symbol(), "ruler.fill");
    EXPECT_TRUE(chips.readout().isVisible());
    EXPECT_EQ(chips.readoutText(), "Fai clic su due punti del modello");
    chips.clearButton().click();
    EXPECT_TRUE(window.model().measureMode());
    tools.button(Tool::measure).click();
    EXPECT_FALSE(window.model().measureMode());
    EXPECT_FALSE(chips.readout().isVisible());
    EXPECT_EQ(tools.button(Tool::measure).symbol(), "ruler");
}

TEST(ViewportContainer, backgroundAndHoverNamesSwitchesStoreTheirPreferences)
{
    ReadyWindow window;
    auto& model = window.model();
    auto& preferences = *window.fixture.sandbox.preferences;
    auto& background = window.container().tools().button(Tool::background);
    if (!model.darkBackground())
        background.click();
    ASSERT_TRUE(model.darkBackground());
    EXPECT_EQ(background.symbol(), "moon.fill");
    EXPECT_EQ(background.toolTip(), "Passa a sfondo chiaro");
    background.click();
    EXPECT_FALSE(model.darkBackground());
    EXPECT_FALSE(model.renderer()->isDarkBackground());
    EXPECT_FALSE(preferences.darkBackground());
    EXPECT_EQ(background.symbol(), "sun.max.fill");
    EXPECT_EQ(background.toolTip(), "Passa a sfondo scuro");

    const bool names = model.showLabels();
    for (bool expected : {!names, names}) {
        window.container().tools().button(Tool::labels).click();
        EXPECT_EQ(model.showLabels(), expected);
        EXPECT_EQ(preferences.showLabels(), expected);
    }

    // A light palette chosen while dark turns the dark background off.
    background.click();
    ASSERT_TRUE(model.darkBackground());
    auto& menu = window.container().tools().optionsMenu();
    emit menu.aboutToShow();
    QMenu* palettes = nullptr;
    for (QAction* action : menu.actions())
        if (action->menu())
            palettes = action->menu();
    ASSERT_NE(palettes, nullptr);
    EXPECT_EQ(palettes->title(), "Sfondo chiaro");
    palettes->actions().at(2)->trigger();
    EXPECT_EQ(model.backgroundPalette(), BackgroundPalette::clinico);
    EXPECT_FALSE(model.darkBackground());
    EXPECT_EQ(window.container().tools().button(Tool::background).symbol(), "sun.max.fill");
}

TEST(ViewportContainer, optionsMenuTogglesAndLayerControlLastsForTheContainer)
{
    ReadyWindow window;
    auto& container = window.container();
    auto& menu = container.tools().optionsMenu();
    auto find = [&menu](const QString& text) {
        for (QAction* action : menu.actions())
            if (action->text() == text)
                return action;
        return static_cast<QAction*>(nullptr);
    };
    emit menu.aboutToShow();
    ASSERT_TRUE(find("Controllo degli strati")->isChecked());
    EXPECT_EQ(find("Standard")->isChecked(), window.model().quality() == RenderQuality::standard);
    find("Controllo degli strati")->trigger();
    EXPECT_FALSE(container.depthControl().isVisible());
    find("Statistiche di rendering")->trigger();
    EXPECT_TRUE(window.model().showStatistics());
    EXPECT_TRUE(container.statisticsPanel().isVisible());
    ASSERT_TRUE(window.nextFrame());
    ASSERT_TRUE(waitUntil([&] { return container.statisticsPanel().value(0).text() != "0"; }));
    find("Alta definizione")->trigger();
    EXPECT_EQ(window.model().quality(), RenderQuality::alta);
    EXPECT_TRUE(window.nextFrame());

    // The layer buttons: the current depth active, each press sets its depth.
    container.depthControl().button(3)->click();
    EXPECT_EQ(window.model().layerDepthMin(), 3);
    EXPECT_TRUE(container.depthControl().button(3)->isActive());

    // A new dataset gets a new container, with the layer control on again and no
    // hover label left from the dataset before.
    window.model().setShowLabels(true);
    const QPoint middle = window.fixture.view->viewport()->rect().center();
    window.model().handleHover(float2 {static_cast<float>(middle.x()), static_cast<float>(middle.y())});
    ASSERT_TRUE(window.model().hoveredLabel().has_value());
    EXPECT_TRUE(container.hoverLabel()->isVisibleTo(&container));
    // It lies in the back layer, under every floating panel.
    const auto stack = container.children();
    for (QWidget* panel :
        std::initializer_list<QWidget*> {&container.orientationControls(), &container.statisticsPanel(),
            &container.depthControl(), &container.statusChips(), &container.tools()})
        EXPECT_LT(stack.indexOf(container.hoverLabel()), stack.indexOf(panel))
            << panel->metaObject()->className();
    window.fixture.sandbox.install(boxDataset("due", {{"FMA7", AnatomySystem::skeletal}}));
    window.model().load("due");
    window.fixture.waitForViewport();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto* fresh = window.fixture.view->findChild<ViewportContainer*>();
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->showDepthControl());
    EXPECT_TRUE(fresh->depthControl().isVisible());
    EXPECT_FALSE(window.model().hoveredLabel().has_value());
    EXPECT_FALSE(fresh->hoverLabel()->isVisible());
}

TEST(ViewportContainer, isolationAndHiddenChipsUndoWhatTheyShow)
{
    ReadyWindow window;
    auto& model = window.model();
    auto& chips = window.container().statusChips();
    model.selectConcept("FMA1", true);
    model.hideSelection();
    EXPECT_TRUE(chips.hiddenChip().isVisible());
    EXPECT_EQ(chips.hiddenText().text(), "1 nascoste");
    QTest::mouseClick(&chips.hiddenChip(), Qt::LeftButton);
    EXPECT_EQ(model.hiddenCount(), 0);
    EXPECT_FALSE(chips.hiddenChip().isVisible());

    model.selectConcept("FMA2", true);
    window.container().tools().button(Tool::isolate).click();
    EXPECT_TRUE(model.isolationActive());
    EXPECT_TRUE(window.container().tools().button(Tool::isolate).isActive());
    EXPECT_TRUE(chips.isolationChip().isVisible());
    QTest::mouseClick(&chips.isolationChip(), Qt::LeftButton);
    EXPECT_FALSE(model.isolationActive());
    EXPECT_FALSE(chips.isolationChip().isVisible());
}
