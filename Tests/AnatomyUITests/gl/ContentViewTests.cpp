#include "ViewTestSupport.h"
#include "ViewerFixture.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyUI/Look/SegmentedPicker.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/HoverLabel.h"
#include "AnatomyUI/Viewport/ViewportContainer.h"
#include "AnatomyUI/Window/MainToolbar.h"

#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>

using namespace morvena;
using namespace morvena::test;

namespace {

using Item = MainToolbar::Item;

// The dataset "rotto", whose pack no longer opens.
void installBroken(const ModelSandbox& sandbox)
{
    sandbox.install(boxDataset("rotto", {{"FMA9", AnatomySystem::skeletal}}));
    std::ofstream(AppPaths::packURL("rotto"), std::ios::trunc) << "non è un pacchetto";
}

// Whether the label's text, laid out as the label lays it out, is wider than the label.
bool textSticksOut(const QLabel& label)
{
    const int width = label.contentsRect().width();
    const QRect text = label.fontMetrics().boundingRect(
        QRect(0, 0, width, INT_MAX / 2), label.wordWrap() ? Qt::TextWordWrap : 0, label.text());
    return text.width() > width + 1;
}

// The shown widgets below `column` that stick out of it sideways, or whose text sticks
// out of them, by class name.
std::vector<std::string> outsideSideways(const QWidget& column)
{
    std::vector<std::string> outside;
    for (auto* widget : column.findChildren<QWidget*>()) {
        const QRect rect(widget->mapTo(&column, QPoint(0, 0)), widget->size());
        auto* label = qobject_cast<QLabel*>(widget);
        if (widget->isVisibleTo(&column)
            && (rect.left() < -1 || rect.right() > column.width() || (label && textSticksOut(*label))))
            outside.push_back(widget->metaObject()->className());
    }
    return outside;
}

std::vector<QString> titles(const QMenu& menu)
{
    std::vector<QString> result;
    for (auto* action : menu.actions())
        result.push_back(action->isSeparator() ? "—" : action->text());
    return result;
}

} // namespace

TEST(ContentViewTitle, followsThePhase)
{
    ViewerFixture fixture;
    auto& view = fixture.makeContentView();
    std::vector<QString> shown;
    QObject::connect(
        &view, &ContentView::windowTitleChanged, [&shown](const QString& title) { shown.push_back(title); });
    view.model().bootstrap();
    EXPECT_EQ(view.windowTitle(), "Morvena — Nessun dataset installato");

    TestDataset one("uno", "Un osso");
    one.add("FMA1", "box FMA1", AnatomySystem::skeletal, pixelBox("FMA1", 10, 10, 50, 50));
    fixture.sandbox.install(one);
    shown.clear();
    view.model().load("uno");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Morvena — Caricamento del dataset…");
    EXPECT_EQ(shown[1], "Morvena — 1 strutture · Un osso");

    // No Italian name: the English one, and the system's Italian name with the concept.
    view.model().selectConcept("FMA1", true);
    EXPECT_EQ(view.title(), "box FMA1");
    EXPECT_EQ(view.subtitle(), "Scheletro · FMA1");
    EXPECT_EQ(view.windowTitle(), "box FMA1 — Scheletro · FMA1");

    // A pack that no longer opens fails the load; the previous dataset stays loaded.
    installBroken(fixture.sandbox);
    view.model().load("rotto");
    EXPECT_EQ(view.subtitle(), "Errore");
}

TEST(ContentViewToolbar, itemsOnlyWhenReadyAndEnabledByTheSelection)
{
    ViewerFixture fixture;
    auto& view = fixture.makeContentView();
    fixture.show();
    auto& toolbar = view.toolbar();
    const int emptyHeight = toolbar.height();
    const Item items[] = {Item::sidebar, Item::isolate, Item::endIsolation, Item::hide, Item::focus,
        Item::view, Item::inspector};
    for (auto item : items)
        EXPECT_FALSE(toolbar.action(item)->isVisible());

    fixture.sandbox.install(threeBoxes());
    view.model().load("tre");
    fixture.waitForViewport();
    EXPECT_EQ(toolbar.height(), emptyHeight);
    for (auto item : items)
        EXPECT_TRUE(toolbar.action(item)->isVisible());
    EXPECT_FALSE(toolbar.action(Item::isolate)->isEnabled());
    EXPECT_FALSE(toolbar.action(Item::hide)->isEnabled());
    EXPECT_FALSE(toolbar.action(Item::endIsolation)->isEnabled());

    view.model().selectConcept("FMA1", true);
    EXPECT_TRUE(toolbar.action(Item::isolate)->isEnabled());
    EXPECT_TRUE(toolbar.action(Item::hide)->isEnabled());
    toolbar.action(Item::isolate)->trigger();
    EXPECT_TRUE(view.model().isolationActive());
    EXPECT_TRUE(toolbar.action(Item::endIsolation)->isEnabled());
    toolbar.action(Item::endIsolation)->trigger();
    EXPECT_FALSE(view.model().isolationActive());

    const bool ghosting = view.model().ghostOthers();
    toolbar.action(Item::focus)->trigger();
    EXPECT_EQ(view.model().ghostOthers(), !ghosting);
    toolbar.action(Item::inspector)->trigger();
    EXPECT_FALSE(view.showInspector());
    toolbar.action(Item::sidebar)->trigger();
    EXPECT_FALSE(view.showSidebar());
    EXPECT_FALSE(view.findChild<QSplitter*>()->widget(0)->isVisible());

    ASSERT_NE(toolbar.viewButton()->menu(), nullptr);
    EXPECT_EQ(titles(*toolbar.viewButton()->menu()),
        (std::vector<QString> {"Anteriore", "Posteriore", "Laterale sinistra", "Laterale destra", "Superiore",
            "Inferiore", "—", "Inquadra tutto", "Ripristina la vista"}));
    for (auto* action : toolbar.actions())
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
}

TEST(ContentViewReadyPage, eachRendererGetsANewViewport)
{
    ViewerFixture fixture;
    fixture.sandbox.install(threeBoxes());
    auto& view = fixture.makeContentView();
    fixture.show();
    ASSERT_TRUE(std::holds_alternative<AppModel::Ready>(view.model().phase()));
    QPointer<AnatomyMetalView> first = view.viewport();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    auto firstHandle = view.model().metalView();

    view.model().load("tre");
    fixture.waitForViewport();
    ASSERT_NE(view.viewport(), nullptr);
    EXPECT_NE(view.viewport(), first.data());
    EXPECT_TRUE(waitUntil([&first] { return first.isNull(); }));
    EXPECT_TRUE(waitUntil([&view, &firstHandle] {
        auto handle = view.model().metalView();
        return handle && handle != firstHandle;
    }));
    EXPECT_TRUE(view.detailPage()->isAncestorOf(view.viewport()));
}

// In the window, in both appearances, the pickers fill the chosen segment with the accent and the
// others with the plain button colour, and the systems list and the layers lie on the sidebar's own colour.
TEST(ContentViewReadyPage, sidebarPickersAndSectionsInBothAppearances)
{
    for (auto appearance : {Appearance::light, Appearance::dark}) {
        applyAppearance(appearance);
        ViewerFixture fixture;
        fixture.sandbox.install(threeBoxes());
        auto& view = fixture.makeContentView();
        fixture.show();
        view.model().setClip(true);
        const auto part = [&view](auto name) { return view.findChild<QWidget*>(QString("content.") + name); };
        const auto shownColor = [&view](QWidget* widget, int x, int y) {
            return view.grab().toImage().pixel(widget->mapTo(&view, QPoint(x, y)));
        };
        auto* systems = part("systems");
        const QRgb background = shownColor(systems, systems->width() - 4, 4); // beside "Nessuno"
        EXPECT_NE(background, view.palette().color(QPalette::Window).rgb());
        EXPECT_EQ(shownColor(systems, systems->width() / 2, systems->height() - 12), background);
        for (const char* section : {"tree", "layers"}) {
            QTest::mouseClick(view.findChild<QAbstractButton*>(QString("header.") + section), Qt::LeftButton);
            QTest::qWait(300); // the section's turn
            auto* picker = part(section)->findChild<SegmentedPicker*>();
            for (auto* segment : picker->findChildren<QAbstractButton*>()) {
                const auto fill = segment->isChecked() ? QPalette::Highlight : QPalette::Button;
                EXPECT_EQ(shownColor(segment, 4, segment->height() / 2), segment->palette().color(fill).rgb())
                    << section << " " << segment->text().toStdString();
            }
        }
        auto* layers = part("layers");
        EXPECT_EQ(shownColor(layers, layers->width() / 2, layers->height() - 30), background);
    }
    applyAppearance(Appearance::light);
}

// "Apri" on a dataset that fails to load passes through the loading page: the setup
// screen after it starts over, its import group closed. The group's triangle leads it.
TEST(ContentViewSetupPage, aFailedLoadFromTheScreenShowsAFreshOne)
{
    ViewerFixture fixture;
    installBroken(fixture.sandbox);
    auto& view = fixture.makeContentView();
    fixture.show();
    ASSERT_TRUE(std::holds_alternative<AppModel::Failed>(view.model().phase()));
    QPointer<QWidget> first = view.detailPage();
    auto* toggle = shownButton(*first, "Importa un dataset da file");
    ASSERT_TRUE(toggle);
    auto row = toggle->findChildren<QLabel*>();
    ASSERT_EQ(row.size(), 3);
    std::sort(row.begin(), row.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    EXPECT_EQ(row[0]->text(), "▸");
    EXPECT_FALSE(row[1]->pixmap().isNull()) << "the folder";
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(row[0]->text(), "▾");
    QTest::mouseClick(shownButton(*first, "Importa un altro dataset…"), Qt::LeftButton);
    ASSERT_TRUE(shown(*first, "genericForm"));

    QTest::mouseClick(shownButton(*first, "Apri"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(std::holds_alternative<AppModel::Failed>(view.model().phase()));
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(shown(*view.detailPage(), "bodyParts3DCard"));
    EXPECT_FALSE(shown(*view.detailPage(), "genericForm"));
}

// A name from an imported file may run to 10 KB, with blanks or as one word: the
// title wraps and rows cut it, the window title takes 80 characters, and nothing
// sticks out of its column or of the viewport.
TEST(ContentViewLongNames, aTenKilobyteNameStaysInsideItsColumns)
{
    std::string words;
    while (words.size() < 10'240)
        words += "lunghissimo ";
    for (const std::string& name : {words, std::string(10'240, 'm')}) {
        SCOPED_TRACE(name.substr(0, 12));
        ViewerFixture fixture;
        TestDataset dataset("lungo", name);
        dataset.add(name, name, AnatomySystem::skeletal, pixelBox("FMA1", 4, 20, 10, 40));
        dataset.add("FMA2", "2" + name, AnatomySystem::muscular, pixelBox("FMA2", 14, 20, 20, 40));
        fixture.sandbox.install(dataset);
        auto& view = fixture.makeContentView();
        fixture.show();
        view.model().selectConcept(name, true);
        view.model().selectConcept("FMA2", false);
        auto& container = *view.findChild<ViewportContainer*>();
        container.hoverLabel()->showAt(QString::fromStdString(name), {10, 300}, container.size());
        QTest::qWait(50);

        auto& columns = *view.findChild<QSplitter*>();
        for (int column : {0, 2})
            EXPECT_EQ(outsideSideways(*columns.widget(column)), std::vector<std::string>()) << column;
        EXPECT_TRUE(QRect(QPoint(0, 0), container.size()).contains(container.hoverLabel()->geometry()));
        EXPECT_LE(container.hoverLabel()->width(), container.width() * 40 / 100);
        const QString cut = QString::fromStdString(name.substr(0, 80)) + "…";
        EXPECT_EQ(view.title(), cut);
        EXPECT_EQ(view.subtitle(), "Scheletro · " + cut) << "the concept ID";
        view.model().clearSelection();
        EXPECT_EQ(view.subtitle(), "2 strutture · " + cut) << "the dataset's name";
    }
}

// At 1440x900 the unreadable folders' notice gets its lines; at the smallest size, with
// both imports open, the screen does not scroll sideways, the card's buttons stacked.
TEST(ContentViewSetupPage, theNoticeGetsItsLinesAndTheScreenFitsSideways)
{
    ViewerFixture fixture;
    std::filesystem::create_directories(AppPaths::datasetsDirectory() / "guasto");
    auto& view = fixture.makeContentView();
    view.resize(1440, 900);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, hangDeadlineMS));
    auto& screen = *qobject_cast<QScrollArea*>(view.detailPage());
    auto& notice = *screen.findChild<QLabel*>("unreadableDatasets");
    EXPECT_GE(notice.height(), notice.heightForWidth(notice.width()));

    view.resize(view.minimumSize());
    QTest::mouseClick(shownButton(screen, "Importa un dataset da file"), Qt::LeftButton);
    QTest::mouseClick(shownButton(screen, "Importa un altro dataset…"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(screen.horizontalScrollBar()->maximum(), 0);
    auto* choose = shownButton(screen, "Scegli la cartella e importa");
    EXPECT_GE(choose->height(), choose->sizeHint().height());
}

// The notice of folders no dataset can be read from, with one whose name no dataset can
// have: its text and the removal command, on a line of its own, are selected by a drag
// of the mouse, the command copied as shown, at the largest size and the smallest.
TEST(ContentViewSetupPage, theNoticeAndItsCommandAreSelectedByMouse)
{
    ViewerFixture fixture;
    std::filesystem::create_directories(AppPaths::datasetsDirectory() / "guasto");
    const std::string misnamed = "skel\u202eosso\u2066" + std::string(60, 'x');
    std::filesystem::create_directories(AppPaths::datasetsDirectory() / misnamed);
    auto& view = fixture.makeContentView();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, hangDeadlineMS));
    auto& screen = *qobject_cast<QScrollArea*>(view.detailPage());
    auto& notice = *screen.findChild<WrappingLabel*>("unreadableDatasets");
    auto& command = *screen.findChild<QLineEdit*>("unreadableDatasetsCommand");
    EXPECT_TRUE(notice.fullText().endsWith("Per rimuoverla:")) << notice.fullText().toStdString();
    const std::string expected = "rm -r -- $'" + AppPaths::datasetsDirectory().string()
        + "/skel\\xe2\\x80\\xaeosso\\xe2\\x81\\xa6" + std::string(60, 'x') + "'";
    EXPECT_EQ(command.text().toStdString(), expected);
    for (const QSize size : {QSize(1440, 900), view.minimumSize()}) {
        SCOPED_TRACE(size.width());
        view.resize(size);
        QApplication::processEvents();
        notice.setSelection(0, 0); // a press in a selection would drag it
        command.deselect();
        for (QWidget* shown : {static_cast<QWidget*>(&notice), static_cast<QWidget*>(&command)}) {
            SCOPED_TRACE(shown->objectName().toStdString());
            ASSERT_TRUE(shown->isVisible());
            const QPoint end(shown->width() - 1, shown->height() - 2);
            QTest::mousePress(shown, Qt::LeftButton, {}, QPoint(1, 4));
            QTest::mouseMove(shown, QPoint(shown->width() / 2, shown->height() / 2));
            QTest::mouseMove(shown, end);
            QTest::mouseRelease(shown, Qt::LeftButton, {}, end);
        }
        EXPECT_GT(notice.selectedText().size(), 20);
        EXPECT_GT(command.selectedText().size(), 20);
        command.selectAll();
        EXPECT_EQ(command.selectedText().toStdString(), expected) << "a copy runs as shown";
    }
}
