#include "DatabaseFiles.h"
#include "GLModel.h"
#include "SidebarDataset.h"
#include "ViewTestSupport.h"

#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Model/TaxonomyTreeModel.h"
#include "AnatomyUI/Sidebar/LayersSection.h"
#include "AnatomyUI/Sidebar/PresetTile.h"
#include "AnatomyUI/Sidebar/SidebarView.h"
#include "AnatomyUI/Sidebar/SystemRow.h"
#include "AnatomyUI/Sidebar/TaxonomyNodeDelegate.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using namespace morvena;
using namespace morvena::test;

namespace {

struct Sidebar {
    explicit Sidebar(bool withTaxonomy = true, bool withFullText = true)
    {
        installSidebarDataset(fixture, withTaxonomy, withFullText);
        auto& model = fixture.create();
        model.load(sidebarDatasetID);
        EXPECT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
        view = std::make_unique<SidebarView>(model);
        view->resize(272, 900);
        view->show();
        QApplication::processEvents();
    }

    AppModel& model() { return *fixture.model; }
    template <class T> T* child(const char* name) const
    {
        return view->findChild<T*>(QString::fromUtf8(name));
    }
    QLineEdit& search() const { return *child<QLineEdit>("searchField"); }
    void type(const QString& text)
    {
        search().setFocus();
        QTest::keyClicks(&search(), text);
        QApplication::processEvents();
    }
    SystemRow* row(AnatomySystem system) const
    {
        return child<SystemRow>(("system." + std::to_string(rawValue(system))).c_str());
    }
    void open(SidebarView::Section section)
    {
        if (view->expandedSection() != section)
            view->toggleSection(section);
        QApplication::processEvents();
    }
    void clickRow(QAbstractItemView& list, const QModelIndex& index, int x = -1)
    {
        const QRect rect = list.visualRect(index);
        QTest::mouseClick(
            list.viewport(), Qt::LeftButton, {}, QPoint(x < 0 ? rect.center().x() : x, rect.center().y()));
        QApplication::processEvents();
    }
    QStringList treeLines() const
    {
        QStringList lines;
        auto& tree = *child<QTreeView>("tree");
        for (QModelIndex index = tree.model()->index(0, 0); index.isValid(); index = tree.indexBelow(index)) {
            int depth = 0;
            for (auto up = index.parent(); up.isValid(); up = up.parent())
                ++depth;
            lines << QString(depth * 2, ' ') + index.data().toString();
        }
        return lines;
    }
    // A new sidebar on the same model, with the section open.
    void keepPicture(const std::string& name, SidebarView::Section section, int width = 272)
    {
        keepLightAndDark(name, {width, 640}, [this, section] {
            auto picture = std::make_unique<SidebarView>(model());
            if (picture->expandedSection() != section)
                picture->toggleSection(section);
            return picture;
        });
    }

    GLModel fixture;
    std::unique_ptr<SidebarView> view;
};

} // namespace

TEST(SidebarView, sectionRawValues)
{
    const char* raw[] = {"systems", "tree", "layers", "bookmarks", "views"};
    ASSERT_EQ(SidebarView::allSections().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(SidebarView::section(raw[i]), SidebarView::allSections()[i]);
        EXPECT_EQ(SidebarView::rawValue(SidebarView::allSections()[i]), raw[i]);
    }
    for (const char* other : {"", "Systems", "view", "systems "})
        EXPECT_FALSE(SidebarView::section(other).has_value()) << other;
}

TEST(SidebarView, everySymbolResolves)
{
    std::vector<std::string_view> names {"magnifyingglass", "xmark.circle.fill", "chevron.right",
        "bookmark.fill", "plus", "camera.viewfinder", "trash", "circle.lefthalf.filled"};
    for (auto section : SidebarView::allSections())
        names.push_back(SidebarView::symbol(section));
    for (auto preset : allSystemPresets())
        names.push_back(symbolName(preset));
    for (auto name : names)
        EXPECT_TRUE(IconRegistry::shared().file(name).has_value()) << name;
}

TEST(SidebarView, searchShowsResultsInsteadOfSections)
{
    Sidebar sidebar;
    auto& view = *sidebar.view;
    EXPECT_FALSE(shown(view, "clearSearch"));
    EXPECT_TRUE(shown(view, "content.systems"));

    sidebar.type("fem");
    EXPECT_TRUE(shown(view, "searchResults"));
    EXPECT_EQ(sidebar.child<QLabel>("resultsTitle")->text(), "2 risultati");
    EXPECT_FALSE(shown(view, "header.systems"));
    EXPECT_TRUE(shown(view, "clearSearch"));
    sidebar.keepPicture("sidebar-results", SidebarView::Section::systems);

    auto& results = *sidebar.child<QListView>("resultsList");
    const auto first = results.model()->index(0, 0);
    sidebar.model().setSearchText("fem"); // an equal text searches again, the list stays
    sidebar.clickRow(results, first);
    ASSERT_EQ(sidebar.model().selection().size(), 1u);
    EXPECT_EQ(
        sidebar.model().selection().front().conceptID, first.data(Qt::UserRole + 2).toString().toStdString());
    EXPECT_EQ(sidebar.search().text(), "fem");

    QTest::mouseClick(sidebar.child<QToolButton>("clearSearch"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(sidebar.search().text().isEmpty());
    EXPECT_FALSE(shown(view, "searchResults"));
    EXPECT_TRUE(shown(view, "content.systems")); // the section open before
    EXPECT_FALSE(shown(view, "clearSearch"));

    for (const char* text : {"f", "   ", "zzz"}) {
        sidebar.model().setSearchText({});
        sidebar.type(text);
        EXPECT_FALSE(shown(view, "searchResults")) << text;
        EXPECT_TRUE(shown(view, "header.systems")) << text;
        EXPECT_TRUE(shown(view, "clearSearch")) << text;
    }
}

TEST(SidebarView, aNewSidebarSearchesTheLoadedDatasetAgain)
{
    Sidebar sidebar;
    sidebar.model().setSearchText("fem");
    ASSERT_EQ(sidebar.model().searchResults().size(), 2u);
    // A load keeps the text; the hits of a dataset without the femurs must not stay.
    auto other = boxDataset("altro", {{"FMA9", AnatomySystem::cardiac}});
    sidebar.fixture.install(other);
    sidebar.model().load("altro");
    ASSERT_TRUE(holds<AppModel::Ready>(sidebar.model()));
    SidebarView fresh(sidebar.model());
    EXPECT_EQ(fresh.findChild<QLineEdit*>("searchField")->text(), "fem");
    EXPECT_TRUE(sidebar.model().searchResults().empty());
    EXPECT_FALSE(fresh.findChild<QWidget*>("searchResults")->isVisibleTo(&fresh));
}

TEST(SidebarView, presetsAndSystems)
{
    Sidebar sidebar;
    auto& model = sidebar.model();
    auto* muscles = sidebar.child<PresetTile>("muscolare");
    QTest::mouseClick(muscles, Qt::LeftButton);
    EXPECT_TRUE(muscles->isActive());
    EXPECT_EQ(muscles->toolTip(), "Mostra: Muscoli");

    // Rows only for the systems the dataset has.
    EXPECT_NE(sidebar.row(AnatomySystem::skeletal), nullptr);
    EXPECT_EQ(sidebar.row(AnatomySystem::tendon), nullptr);
    auto* skeletal = sidebar.row(AnatomySystem::skeletal);
    auto* dot = skeletal->findChild<QToolButton*>("systemDot");
    const bool wasVisible = model.visibleSystems().contains(AnatomySystem::skeletal);
    QTest::mouseClick(dot, Qt::LeftButton);
    EXPECT_NE(model.visibleSystems().contains(AnatomySystem::skeletal), wasVisible);
    EXPECT_FALSE(muscles->isActive());

    QTest::mouseClick(sidebar.child<QPushButton>("hideAllSystems"), Qt::LeftButton);
    EXPECT_TRUE(model.visibleSystems().empty());
    EXPECT_EQ(dot->toolTip(), "Mostra Scheletro");
    QTest::mouseClick(sidebar.child<QPushButton>("showAllSystems"), Qt::LeftButton);
    EXPECT_EQ(model.visibleSystems(),
        (std::set {AnatomySystem::skeletal, AnatomySystem::muscular, AnatomySystem::cardiac}));
    EXPECT_EQ(dot->toolTip(), "Nascondi Scheletro");

    auto* percent = skeletal->findChild<QLabel*>("systemPercent");
    struct Case {
        float opacity;
        bool visible;
        const char* shownText; // null: no percentage
    };
    const Case cases[] = {{0.55f, true, "55%"}, {0.29f, true, "29%"}, {0.05f, true, "5%"},
        {0.99f, true, nullptr}, {1.0f, true, nullptr}, {0.5f, false, nullptr}};
    for (const auto& expected : cases) {
        model.setVisible(expected.visible, AnatomySystem::skeletal);
        model.setOpacity(expected.opacity, AnatomySystem::skeletal);
        SCOPED_TRACE(expected.opacity);
        EXPECT_EQ(percent->isVisibleTo(skeletal), expected.shownText != nullptr);
        if (expected.shownText) {
            EXPECT_EQ(percent->text(), expected.shownText);
        }
    }
    model.setVisible(true, AnatomySystem::skeletal);

    // The slider of a system without override starts at the right end; dragging it
    // keeps the row.
    auto* muscular = sidebar.row(AnatomySystem::muscular);
    QTest::mouseClick(muscular->findChild<QToolButton*>("systemOpacityButton"), Qt::LeftButton);
    QTest::qWait(250);
    auto* slider = muscular->findChild<QSlider*>("systemOpacitySlider");
    EXPECT_TRUE(slider->isVisibleTo(muscular));
    EXPECT_EQ(slider->value(), slider->maximum());
    for (int value : {900, 700, 400, 50})
        slider->setValue(value);
    EXPECT_FLOAT_EQ(model.systemOpacity().at(AnatomySystem::muscular), 0.05f);
    EXPECT_EQ(sidebar.row(AnatomySystem::muscular), muscular);
    EXPECT_EQ(muscular->findChild<QLabel*>("systemPercent")->text(), "5%");

    auto* line = muscular->findChild<QWidget*>("systemLine");
    QTest::mouseDClick(muscular, Qt::LeftButton, {}, line->geometry().center());
    EXPECT_EQ(model.visibleSystems(), std::set {AnatomySystem::muscular});
}

TEST(SidebarView, treeOfBothKinds)
{
    Sidebar sidebar;
    sidebar.open(SidebarView::Section::tree);
    EXPECT_FALSE(shown(*sidebar.view, "treeEmpty"));
    EXPECT_EQ(sidebar.treeLines(), (QStringList {"Corpo", "  Arto", "  Molti"}));

    auto& tree = *sidebar.child<QTreeView>("tree");
    auto* treeModel = static_cast<TaxonomyTreeModel*>(tree.model());
    QAbstractItemModelTester tester(treeModel, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto limb = treeModel->index(0, 0, treeModel->index(0, 0));
    // A click on the chevron opens, on the name selects and frames.
    sidebar.clickRow(tree, limb, TaxonomyNodeDelegate::chevronRect(tree.visualRect(limb)).center().x());
    EXPECT_EQ(sidebar.treeLines(),
        (QStringList {"Corpo", "  Arto", "    Femore sinistro", "    Right femur", "  Molti"}));
    const auto femur = treeModel->index(0, 0, limb);
    sidebar.clickRow(tree, femur, tree.visualRect(femur).right() - 20);
    ASSERT_EQ(sidebar.model().selection().size(), 1u);
    EXPECT_EQ(sidebar.model().selection().front().conceptID, "FMA1");
    // Closing the root closes its children too.
    tree.collapse(treeModel->index(0, 0));
    tree.expand(treeModel->index(0, 0));
    EXPECT_EQ(sidebar.treeLines(), (QStringList {"Corpo", "  Arto", "  Molti"}));

    QTest::mouseClick(sidebar.child<QPushButton>("treeKind.isA"), Qt::LeftButton);
    EXPECT_EQ(sidebar.model().treeKind(), TreeKind::isA);
    EXPECT_EQ(sidebar.treeLines(), (QStringList {"Osso", "  Femore sinistro", "  Right femur"}));
    sidebar.keepPicture("sidebar-tree", SidebarView::Section::tree);
}

TEST(SidebarView, treeWithoutHierarchyShowsTheEmptyText)
{
    Sidebar sidebar(false);
    sidebar.open(SidebarView::Section::tree);
    for (auto kind : allTreeKinds()) {
        sidebar.model().setTreeKind(kind);
        QApplication::processEvents();
        EXPECT_TRUE(shown(*sidebar.view, "treeEmpty"));
        EXPECT_FALSE(shown(*sidebar.view, "tree"));
    }
}

TEST(SidebarView, layerControls)
{
    const char* descriptions[] = {"Tutti gli strati visibili", "Cute rimossa",
        "Rimossi cute e muscoli superficiali", "Rimossi anche tendini e vasi superficiali",
        "Restano scheletro, cartilagini e organi profondi", "Solo scheletro"};
    for (int level = 0; level <= 5; ++level)
        EXPECT_EQ(LayersSection::layerDescription(level), descriptions[level]);
    EXPECT_EQ(LayersSection::layerDescription(-1), "Solo scheletro");
    struct Readout {
        float offset;
        const char* text;
    };
    for (auto [offset, text] : {Readout {-0.9f, "0 mm"}, Readout {0.9f, "0 mm"}, Readout {-12.7f, "-12 mm"},
             Readout {900.0f, "900 mm"}})
        EXPECT_EQ(LayersSection::offsetReadout(offset), text) << offset;

    Sidebar sidebar;
    sidebar.open(SidebarView::Section::layers);
    auto& model = sidebar.model();
    // One stack from the top, no label stretched; the room left lies below it.
    auto* section = sidebar.view->findChild<LayersSection*>();
    auto* description = sidebar.child<QLabel>("layerDescription");
    EXPECT_LE(description->height(), description->heightForWidth(description->width()));
    EXPECT_GT(section->height() - sidebar.child<QCheckBox>("ghostToggle")->geometry().bottom(), 100);
    auto* toggle = sidebar.child<QCheckBox>("clipToggle");
    EXPECT_FALSE(shown(*sidebar.view, "clipControls"));
    toggle->click();
    EXPECT_TRUE(model.clipEnabled());
    EXPECT_TRUE(shown(*sidebar.view, "clipControls"));
    sidebar.child<QSlider>("offsetSlider")->setValue(-127);
    EXPECT_FLOAT_EQ(model.clipOffset(), -12.7f);
    EXPECT_EQ(sidebar.child<QLabel>("offsetReadout")->text(), "-12 mm");
    auto* side = sidebar.child<QPushButton>("sideButton");
    EXPECT_EQ(side->text(), "Inverti lato");
    side->click();
    EXPECT_EQ(side->text(), "Lato opposto");
    toggle->click();
    EXPECT_FALSE(shown(*sidebar.view, "clipControls"));
    toggle->click();
    EXPECT_FLOAT_EQ(model.clipOffset(), -12.7f);
    EXPECT_TRUE(model.clipFlipped());

    sidebar.child<QSlider>("peelingSlider")->setValue(5);
    EXPECT_EQ(model.layerDepthMin(), 5);
    EXPECT_EQ(sidebar.child<QLabel>("layerDescription")->text(), "Solo scheletro");
    sidebar.child<QSlider>("explodeSlider")->setValue(0);
    EXPECT_EQ(model.explode(), 0.0f);
    // A change made elsewhere moves the control.
    model.setExplode(0.5f);
    EXPECT_EQ(sidebar.child<QSlider>("explodeSlider")->value(), 500);
    sidebar.keepPicture("sidebar-layers", SidebarView::Section::layers);
}

TEST(SidebarView, bookmarksAndSavedViews)
{
    Sidebar sidebar;
    auto& model = sidebar.model();
    sidebar.open(SidebarView::Section::bookmarks);
    EXPECT_TRUE(shown(*sidebar.view, "bookmarksEmpty"));
    model.selectConcept("FMA2", true);
    model.toggleBookmark();
    model.selectConcept("FMA1", true);
    model.toggleBookmark();
    QApplication::processEvents();
    auto& bookmarks = *sidebar.child<QListView>("bookmarksList");
    EXPECT_FALSE(shown(*sidebar.view, "bookmarksEmpty"));
    ASSERT_EQ(bookmarks.model()->rowCount(), 2);
    EXPECT_EQ(bookmarks.model()->index(0, 0).data().toString(), "Femore sinistro");
    EXPECT_EQ(bookmarks.model()->index(1, 0).data().toString(), "Right femur");
    model.clearSelection();
    sidebar.clickRow(bookmarks, bookmarks.model()->index(1, 0));
    ASSERT_EQ(model.selection().size(), 1u);
    EXPECT_EQ(model.selection().front().conceptID, "FMA2");

    sidebar.open(SidebarView::Section::views);
    auto& name = *sidebar.child<QLineEdit>("viewName");
    auto* save = sidebar.child<QToolButton>("saveView");
    for (const char* typed : {"Prima", "Seconda & terza", "", " "}) {
        QTest::keyClicks(&name, typed);
        QTest::keyClick(&name, Qt::Key_Return); // Return saves nothing
        save->click();
        EXPECT_TRUE(name.text().isEmpty());
    }
    auto& list = *sidebar.child<QListView>("savedViewsList");
    ASSERT_EQ(list.model()->rowCount(), 4);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), " ");
    EXPECT_EQ(list.model()->index(1, 0).data().toString(), "Vista 3");
    sidebar.keepPicture("sidebar-views", SidebarView::Section::views);
    sidebar.open(SidebarView::Section::bookmarks);
    sidebar.keepPicture("sidebar-bookmarks", SidebarView::Section::bookmarks);

    // A click applies the view; the trash deletes it.
    model.setExplode(0.7f);
    sidebar.clickRow(list, list.model()->index(3, 0));
    EXPECT_EQ(model.explode(), 0.0f);
    const QRect first = list.visualRect(list.model()->index(0, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(first.right() - 18, first.center().y()));
    ASSERT_EQ(list.model()->rowCount(), 3);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), "Vista 3");

    // A save the database refuses keeps the typed name.
    dropTable(databaseFile(sidebar.fixture, sidebarDataset()), "saved_views");
    QTest::keyClicks(&name, "Persa");
    save->click();
    EXPECT_EQ(name.text(), "Persa");
}

TEST(SidebarView, clicksLeaveTheFocusWhereItWas)
{
    Sidebar sidebar;
    QLineEdit elsewhere; // stands for the viewport
    elsewhere.show();
    elsewhere.activateWindow();
    elsewhere.setFocus();
    QApplication::processEvents();
    QTest::mouseClick(sidebar.child<PresetTile>("scheletrico"), Qt::LeftButton);
    QTest::mouseClick(
        sidebar.row(AnatomySystem::skeletal)->findChild<QToolButton*>("systemDot"), Qt::LeftButton);
    sidebar.open(SidebarView::Section::tree);
    auto& tree = *sidebar.child<QTreeView>("tree");
    sidebar.clickRow(tree, tree.model()->index(0, 0));
    sidebar.open(SidebarView::Section::layers);
    auto* slider = sidebar.child<QSlider>("peelingSlider");
    QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
    QApplication::processEvents();
    EXPECT_FALSE(sidebar.view->isAncestorOf(QApplication::focusWidget()));
}

// How quickly is Tests/Benchmarks/SidebarViewBenchmark's to say.
TEST(SidebarView, thousandsOfChildrenOpenAndKeystrokesSearch)
{
    Sidebar sidebar(true, false);
    sidebar.open(SidebarView::Section::tree);
    auto& tree = *sidebar.child<QTreeView>("tree");
    const auto many = tree.model()->index(1, 0, tree.model()->index(0, 0));
    ASSERT_EQ(many.data().toString(), "Molti");
    sidebar.clickRow(tree, many, TaxonomyNodeDelegate::chevronRect(tree.visualRect(many)).center().x());
    EXPECT_TRUE(tree.isExpanded(many));
    EXPECT_EQ(tree.model()->rowCount(many), manyChildren);
    sidebar.open(SidebarView::Section::tree);

    for (QChar letter : QString("femore"))
        QTest::keyClick(&sidebar.search(), letter.toLatin1());
    EXPECT_EQ(sidebar.model().searchText(), "femore");
    ASSERT_EQ(sidebar.model().searchResults().size(), 1u);
    EXPECT_EQ(sidebar.model().searchResults()[0].conceptID, "FMA1");
    sidebar.model().setSearchText({});
    sidebar.keepPicture("sidebar-systems-238", SidebarView::Section::systems, 238);
}
