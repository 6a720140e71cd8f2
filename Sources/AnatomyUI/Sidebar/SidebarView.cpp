#include "AnatomyUI/Sidebar/SidebarView.h"
#include "AnatomyUI/Internal/ViewText.h"

#include "AnatomyUI/Internal/RowButton.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Model/SavedViewListModel.h"
#include "AnatomyUI/Model/SearchHitListModel.h"
#include "AnatomyUI/Model/TaxonomyTreeModel.h"
#include "AnatomyUI/Sidebar/LayersSection.h"
#include "AnatomyUI/Sidebar/PresetTile.h"
#include "AnatomyUI/Sidebar/SavedViewDelegate.h"
#include "AnatomyUI/Sidebar/SearchHitDelegate.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"
#include "AnatomyUI/Sidebar/SystemRow.h"
#include "AnatomyUI/Sidebar/TaxonomyNodeDelegate.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace morvena {

using ViewText::column;

namespace {

constexpr int narrowestWidth = 238;
constexpr int sectionTurnMilliseconds = 180;
constexpr std::array sectionOrder {SidebarView::Section::systems, SidebarView::Section::tree,
    SidebarView::Section::layers, SidebarView::Section::bookmarks, SidebarView::Section::views};

QString text(std::string_view value)
{
    return QString::fromUtf8(value.data(), static_cast<int>(value.size()));
}

std::size_t slot(SidebarView::Section section)
{
    return static_cast<std::size_t>(section);
}

// A scrolling area without frame or background around a widget of plain controls.
QScrollArea* scrolling(QWidget* content, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setFocusPolicy(Qt::NoFocus);
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    area->setWidget(content);
    return area;
}

QPushButton* textButton(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFont(Theme::font(Theme::TextStyle::caption));
    button->setCursor(Qt::PointingHandCursor);
    SidebarLook::setForeground(*button, SidebarLook::accent(*parent));
    return button;
}

// Stack spacing of each open section's content.
int contentSpacing(SidebarView::Section section)
{
    switch (section) {
    case SidebarView::Section::systems:
        return 3;
    case SidebarView::Section::tree:
        return 4;
    case SidebarView::Section::layers:
        return 10;
    case SidebarView::Section::bookmarks:
        return 2;
    case SidebarView::Section::views:
        return 6;
    }
    return 0;
}

} // namespace

std::span<const SidebarView::Section> SidebarView::allSections()
{
    return sectionOrder;
}

std::string_view SidebarView::rawValue(Section section)
{
    switch (section) {
    case Section::systems:
        return "systems";
    case Section::tree:
        return "tree";
    case Section::layers:
        return "layers";
    case Section::bookmarks:
        return "bookmarks";
    case Section::views:
        return "views";
    }
    return {};
}

std::optional<SidebarView::Section> SidebarView::section(std::string_view value)
{
    for (auto candidate : sectionOrder)
        if (rawValue(candidate) == value)
            return candidate;
    return std::nullopt;
}

QString SidebarView::title(Section section)
{
    switch (section) {
    case Section::systems:
        return "Sistemi anatomici";
    case Section::tree:
        return "Strutture";
    case Section::layers:
        return "Strati e taglio";
    case Section::bookmarks:
        return "Segnalibri";
    case Section::views:
        return "Viste salvate";
    }
    return {};
}

std::string_view SidebarView::symbol(Section section)
{
    switch (section) {
    case Section::systems:
        return "square.stack.3d.up";
    case Section::tree:
        return "list.bullet.indent";
    case Section::layers:
        return "square.3.layers.3d";
    case Section::bookmarks:
        return "bookmark";
    case Section::views:
        return "camera.viewfinder";
    }
    return {};
}

SidebarView::SidebarView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
{
    setObjectName("sidebar");
    setMinimumWidth(narrowestWidth);
    auto* layout = column(this, 0);
    layout->addWidget(makeSearchField());
    layout->addWidget(makePresetRow());
    layout->addWidget(SidebarLook::divider(this));
    layout->addWidget(makeScrollRegion(), 1);
    layout->addWidget(SidebarLook::divider(this));
    layout->addWidget(makeFooter());

    connect(&model, &AppModel::changed, this, &SidebarView::refresh);
    // A load keeps the text typed before and its hits, which belong to the previous
    // dataset: searching again finds them in this one.
    model.setSearchText(model.searchText());
    refreshSearchText();
    refreshResults();
    refreshPresets();
    refreshFooter();
    rebuildSystemRows();
    refreshTreeKind();
    resetTree();
    refreshBookmarks();
    savedViewsModel_->setViews(model.savedViews());
    refreshSections();
}

SidebarView::~SidebarView() = default;

QSize SidebarView::minimumSizeHint() const
{
    return {narrowestWidth, QWidget::minimumSizeHint().height()};
}

QString SidebarView::newViewName() const
{
    return viewName_->text();
}

QWidget* SidebarView::makeSearchField()
{
    auto* wrap = new QWidget(this);
    auto* outer = column(wrap, 0, {12, 10, 12, 8});
    auto* panel = new GlassPanel(GlassStyle::subtle, {0, true}, false, wrap);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(11, 7, 11, 7);
    row->setSpacing(7);
    row->addWidget(SidebarLook::symbol(
        "magnifyingglass", 12, 12, SidebarLook::foreground(*this, Theme::Foreground::secondary), panel));
    searchField_ = new QLineEdit(panel);
    searchField_->setObjectName("searchField");
    searchField_->setFrame(false);
    searchField_->setPlaceholderText("Cerca struttura, sistema, funzione…");
    searchField_->setFont(Theme::font(Theme::TextStyle::callout));
    searchField_->setFocusPolicy(Qt::ClickFocus);
    searchField_->setAttribute(Qt::WA_MacShowFocusRect, false);
    // Under a window whose style sheet reaches it, a line edit paints the application's
    // base colour whatever its own palette says: only a rule of its own keeps the glass clear.
    searchField_->setStyleSheet("QLineEdit { background: transparent; }");
    connect(searchField_, &QLineEdit::textEdited, this, [this](const QString& typed) {
        if (model_)
            model_->setSearchText(typed.toStdString());
    });
    clearButton_ = new QToolButton(panel);
    clearButton_->setObjectName("clearSearch");
    clearButton_->setAutoRaise(true);
    clearButton_->setFocusPolicy(Qt::NoFocus);
    clearButton_->setIcon(IconRegistry::shared().icon(
        "xmark.circle.fill", SidebarLook::foreground(*this, Theme::Foreground::tertiary)));
    clearButton_->setIconSize({12, 12});
    clearButton_->setStyleSheet("QToolButton { border: none; padding: 0; background: transparent; }");
    connect(clearButton_, &QToolButton::clicked, this, [this] {
        if (model_)
            model_->setSearchText({});
    });
    row->addWidget(searchField_, 1);
    row->addWidget(clearButton_);
    outer->addWidget(panel);
    return wrap;
}

QWidget* SidebarView::makePresetRow()
{
    auto* wrap = new QWidget(this);
    auto* row = new QHBoxLayout(wrap);
    row->setContentsMargins(12, 0, 12, 10);
    row->setSpacing(5);
    for (auto preset : allSystemPresets()) {
        auto* tile = new PresetTile(preset, wrap);
        connect(tile, &PresetTile::clicked, this, [this, preset] {
            if (model_)
                model_->apply(preset);
        });
        tiles_.push_back(tile);
        row->addWidget(tile, 1);
    }
    return wrap;
}

QWidget* SidebarView::makeScrollRegion()
{
    auto* region = new QWidget(this);
    region->setObjectName("sections");
    auto* layout = column(region, 2, {0, 8, 0, 8});
    results_ = makeResults(region);
    layout->addWidget(results_, 1);
    for (auto section : sectionOrder) {
        auto& parts = sections_[slot(section)];
        parts.header = makeHeader(section, region);
        parts.content = makeContent(section, region);
        layout->addWidget(parts.header);
        layout->addWidget(parts.content, 1);
    }
    filler_ = new QWidget(region);
    filler_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(filler_, 1);
    return region;
}

QListView* SidebarView::makeListView(QWidget* parent, const char* name)
{
    auto* view = new QListView(parent);
    view->setObjectName(name);
    view->setFrameShape(QFrame::NoFrame);
    view->setFocusPolicy(Qt::NoFocus);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setUniformItemSizes(false);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setMouseTracking(true);
    view->viewport()->setAutoFillBackground(false);
    view->setAttribute(Qt::WA_Hover);
    view->viewport()->installEventFilter(this);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    view->setPalette(palette);
    return view;
}

QWidget* SidebarView::makeResults(QWidget* parent)
{
    auto* results = new QWidget(parent);
    results->setObjectName("searchResults");
    auto* layout = column(results, 2);
    resultsTitle_ = new SectionHeader({}, results);
    resultsTitle_->setObjectName("resultsTitle");
    resultsTitle_->setTextFormat(Qt::PlainText);
    resultsTitle_->setContentsMargins(12, 0, 12, 4);
    layout->addWidget(resultsTitle_);
    resultsModel_ = new SearchHitListModel(this);
    resultsModel_->setToolTipStyle(DisplayText::toolTip);
    resultsList_ = makeListView(results, "resultsList");
    resultsList_->setModel(resultsModel_);
    resultsList_->setItemDelegate(new SearchHitDelegate(SearchHitDelegate::Kind::result, resultsList_));
    connect(resultsList_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (const auto* hit = resultsModel_->hit(index))
            selectAndFrame(QString::fromStdString(hit->conceptID));
    });
    layout->addWidget(resultsList_, 1);
    return results;
}

QAbstractButton* SidebarView::makeHeader(Section section, QWidget* parent)
{
    auto* header = new RowButton(7, parent);
    header->setObjectName(QString("header.") + text(rawValue(section)));
    header->setAccessibleName(title(section));
    header->row().setContentsMargins(12, 7, 12, 7);
    header->addToRow(SidebarLook::symbol(
        symbol(section), 11, 14, SidebarLook::foreground(*this, Theme::Foreground::secondary), header));
    auto* name = SidebarLook::line(
        title(section), SidebarLook::font(12, QFont::DemiBold), Theme::Foreground::primary, header);
    header->addToRow(name);
    header->row().addStretch(1);
    auto& parts = sections_[slot(section)];
    parts.chevron = new QLabel(header);
    parts.chevron->setFixedSize(12, 12);
    parts.chevron->setAlignment(Qt::AlignCenter);
    header->addToRow(parts.chevron);
    parts.turn = new QVariantAnimation(this);
    parts.turn->setDuration(sectionTurnMilliseconds);
    parts.turn->setEasingCurve(QEasingCurve::InOutQuad);
    connect(parts.turn, &QVariantAnimation::valueChanged, this,
        [this, section](const QVariant& angle) { paintChevron(section, angle.toReal()); });
    paintChevron(section, expandedSection_ == section ? 90 : 0);
    connect(header, &QAbstractButton::clicked, this, [this, section] { toggleSection(section); });
    return header;
}

void SidebarView::paintChevron(Section section, qreal angle)
{
    auto& parts = sections_[slot(section)];
    const qreal ratio = devicePixelRatioF();
    QPixmap glyph = IconRegistry::shared().pixmap(
        "chevron.right", 9, SidebarLook::foreground(*this, Theme::Foreground::tertiary), ratio);
    QPixmap turned(QSize(12, 12) * ratio);
    turned.setDevicePixelRatio(ratio);
    turned.fill(Qt::transparent);
    QPainter painter(&turned);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(6, 6);
    painter.rotate(angle);
    painter.drawPixmap(QPointF(-4.5, -4.5), glyph);
    painter.end();
    parts.chevron->setPixmap(turned);
    parts.chevron->setProperty("angle", angle);
}

QWidget* SidebarView::makeContent(Section section, QWidget* parent)
{
    auto* content = new QWidget(parent);
    content->setObjectName(QString("content.") + text(rawValue(section)));
    auto* layout = column(content, contentSpacing(section), {0, 0, 0, 6});
    switch (section) {
    case Section::systems:
        layout->addWidget(makeSystemsList(content), 1);
        break;
    case Section::tree:
        layout->addWidget(makeTreeList(content), 1);
        break;
    case Section::layers:
        layout->addWidget(makeLayers(content), 1);
        break;
    case Section::bookmarks:
        layout->addWidget(makeBookmarksList(content), 1);
        break;
    case Section::views:
        layout->addWidget(makeSavedViewsList(content), 1);
        break;
    }
    return content;
}

QWidget* SidebarView::makeSystemsList(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = column(box, 3);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 2);
    buttons->setSpacing(8);
    auto* all = textButton("Tutti", box);
    all->setObjectName("showAllSystems");
    connect(all, &QPushButton::clicked, this, [this] {
        if (model_)
            model_->showAllSystems();
    });
    auto* none = textButton("Nessuno", box);
    none->setObjectName("hideAllSystems");
    connect(none, &QPushButton::clicked, this, [this] {
        for (auto system : allAnatomySystems())
            if (model_)
                model_->setVisible(false, system);
    });
    buttons->addWidget(all);
    buttons->addWidget(none);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    systemRowsBox_ = new QWidget;
    systemRowsLayout_ = column(systemRowsBox_, 3);
    systemRowsLayout_->addStretch(1);
    layout->addWidget(scrolling(systemRowsBox_, box), 1);
    return box;
}

QWidget* SidebarView::makeTreeList(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = column(box, 4);
    auto* picker = new QHBoxLayout;
    picker->setContentsMargins(12, 0, 12, 0);
    picker->setSpacing(0);
    auto* group = new QButtonGroup(box);
    for (auto kind : allTreeKinds()) {
        auto* segment = new QPushButton(text(italianName(kind)), box);
        segment->setObjectName(QString("treeKind.") + text(morvena::rawValue(kind)));
        segment->setCheckable(true);
        segment->setFocusPolicy(Qt::NoFocus);
        segment->setFont(Theme::font(Theme::TextStyle::caption));
        group->addButton(segment, static_cast<int>(kind));
        treeKinds_[static_cast<std::size_t>(kind)] = segment;
        picker->addWidget(segment);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        if (model_)
            model_->setTreeKind(static_cast<TreeKind>(id));
    });
    layout->addLayout(picker);
    treeEmpty_ = SidebarLook::wrapped("Nessuna gerarchia disponibile in questo dataset.",
        Theme::font(Theme::TextStyle::caption), Theme::Foreground::secondary, box);
    treeEmpty_->setObjectName("treeEmpty");
    treeEmpty_->setContentsMargins(12, 0, 12, 0);
    layout->addWidget(treeEmpty_);
    treeModel_ = new TaxonomyTreeModel(
        [this](const std::string& conceptID) {
            return model_ ? model_->children(conceptID) : std::vector<TaxonomyNode>();
        },
        this);
    treeModel_->setToolTipStyle(DisplayText::toolTip);
    tree_ = new QTreeView(box);
    tree_->setObjectName("tree");
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setIndentation(TaxonomyNodeDelegate::indentation);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setFocusPolicy(Qt::NoFocus);
    tree_->setSelectionMode(QAbstractItemView::NoSelection);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree_->setMouseTracking(true);
    tree_->setAttribute(Qt::WA_Hover);
    tree_->setStyleSheet("QTreeView::branch { image: none; border-image: none; background: transparent; }");
    QPalette palette = tree_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    tree_->setPalette(palette);
    tree_->viewport()->installEventFilter(this);
    tree_->setModel(treeModel_);
    tree_->setItemDelegate(new TaxonomyNodeDelegate(tree_));
    connect(tree_, &QTreeView::clicked, this, &SidebarView::treeClicked);
    connect(tree_, &QTreeView::expanded, this,
        [this](const QModelIndex& index) { treeModel_->setOpen(index, true); });
    connect(tree_, &QTreeView::collapsed, this, &SidebarView::treeCollapsed);
    layout->addWidget(tree_, 1);
    return box;
}

QWidget* SidebarView::makeLayers(QWidget* parent)
{
    layers_ = new LayersSection(*model_);
    return scrolling(layers_, parent);
}

QWidget* SidebarView::makeBookmarksList(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = column(box, 2);
    bookmarksEmpty_
        = SidebarLook::wrapped("Nessun segnalibro. Usa l'icona del segnalibro nella scheda anatomica.",
            Theme::font(Theme::TextStyle::caption), Theme::Foreground::secondary, box);
    bookmarksEmpty_->setObjectName("bookmarksEmpty");
    bookmarksEmpty_->setContentsMargins(12, 0, 12, 0);
    layout->addWidget(bookmarksEmpty_);
    bookmarksModel_ = new SearchHitListModel(this);
    bookmarksModel_->setToolTipStyle(DisplayText::toolTip);
    bookmarksList_ = makeListView(box, "bookmarksList");
    bookmarksList_->setModel(bookmarksModel_);
    bookmarksList_->setItemDelegate(new SearchHitDelegate(SearchHitDelegate::Kind::bookmark, bookmarksList_));
    connect(bookmarksList_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (const auto* hit = bookmarksModel_->hit(index))
            selectAndFrame(QString::fromStdString(hit->conceptID));
    });
    layout->addWidget(bookmarksList_, 1);
    return box;
}

QWidget* SidebarView::makeSavedViewsList(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = column(box, 6);
    auto* nameRow = new QHBoxLayout;
    nameRow->setContentsMargins(12, 0, 12, 0);
    nameRow->setSpacing(6);
    viewName_ = new QLineEdit(box);
    viewName_->setObjectName("viewName");
    viewName_->setPlaceholderText("Nome della vista");
    viewName_->setFont(Theme::font(Theme::TextStyle::caption));
    viewName_->setFocusPolicy(Qt::ClickFocus);
    auto* save = new QToolButton(box);
    save->setObjectName("saveView");
    save->setFocusPolicy(Qt::NoFocus);
    save->setIcon(IconRegistry::shared().icon("plus"));
    save->setToolTip("Salva la vista corrente");
    connect(save, &QToolButton::clicked, this, &SidebarView::saveView);
    nameRow->addWidget(viewName_, 1);
    nameRow->addWidget(save);
    layout->addLayout(nameRow);
    savedViewsModel_ = new SavedViewListModel(this);
    savedViewsModel_->setToolTipStyle(DisplayText::toolTip);
    savedViewsList_ = makeListView(box, "savedViewsList");
    savedViewsList_->setModel(savedViewsModel_);
    savedViewsList_->setItemDelegate(new SavedViewDelegate(savedViewsList_));
    connect(savedViewsList_, &QListView::clicked, this, &SidebarView::savedViewClicked);
    layout->addWidget(savedViewsList_, 1);
    return box;
}

QWidget* SidebarView::makeFooter()
{
    footer_ = new QWidget(this);
    footer_->setObjectName("footer");
    auto* layout = column(footer_, 3, {12, 7, 12, 7});
    footerName_
        = SidebarLook::line({}, SidebarLook::font(10, QFont::Medium), Theme::Foreground::secondary, footer_);
    footerName_->setObjectName("footerName");
    footerDetails_ = SidebarLook::line({}, SidebarLook::font(9), Theme::Foreground::tertiary, footer_);
    footerDetails_->setObjectName("footerDetails");
    layout->addWidget(footerName_);
    layout->addWidget(footerDetails_);
    return footer_;
}

void SidebarView::toggleSection(Section section)
{
    const auto previous = expandedSection_;
    expandedSection_ = previous == section ? std::nullopt : std::optional<Section>(section);
    for (auto each : {previous, expandedSection_}) {
        if (!each)
            continue;
        auto& parts = sections_[slot(*each)];
        parts.turn->stop();
        parts.turn->setStartValue(parts.chevron->property("angle").toReal());
        parts.turn->setEndValue(expandedSection_ == each ? 90.0 : 0.0);
        parts.turn->start();
    }
    refreshSections();
}

void SidebarView::refreshSections()
{
    const bool showResults = !model_ || !model_->searchResults().empty();
    results_->setVisible(showResults);
    bool anyOpen = false;
    for (auto section : sectionOrder) {
        auto& parts = sections_[slot(section)];
        const bool open = !showResults && expandedSection_ == section;
        parts.header->setVisible(!showResults);
        parts.content->setVisible(open);
        anyOpen = anyOpen || open;
    }
    filler_->setVisible(!showResults && !anyOpen);
}

void SidebarView::refresh(AppModel::Field field)
{
    using Field = AppModel::Field;
    switch (field) {
    case Field::searchText:
        refreshSearchText();
        break;
    case Field::searchResults:
        refreshResults();
        break;
    case Field::activePreset:
        refreshPresets();
        break;
    case Field::manifest:
        refreshFooter();
        break;
    case Field::systemCounts:
        rebuildSystemRows();
        break;
    case Field::visibleSystems:
    case Field::systemOpacity:
        refreshSystemRows();
        break;
    case Field::treeKind:
        refreshTreeKind();
        resetTree();
        break;
    case Field::treeRoots:
        resetTree();
        break;
    case Field::bookmarks:
        refreshBookmarks();
        break;
    case Field::savedViews:
        savedViewsModel_->setViews(model_->savedViews());
        break;
    case Field::layerDepthMin:
    case Field::clipEnabled:
    case Field::clipAxis:
    case Field::clipOffset:
    case Field::clipFlipped:
    case Field::explode:
    case Field::ghostOthers:
        layers_->refresh(field);
        break;
    default:
        break;
    }
}

void SidebarView::refreshSearchText()
{
    const QString current = QString::fromStdString(model_->searchText());
    if (searchField_->text() != current) {
        const QSignalBlocker blocker(searchField_);
        searchField_->setText(current);
    }
    clearButton_->setVisible(!current.isEmpty());
}

void SidebarView::refreshResults()
{
    resultsModel_->setHits(model_->searchResults());
    resultsTitle_->setText(QString::number(model_->searchResults().size()) + " risultati");
    refreshSections();
}

void SidebarView::refreshPresets()
{
    const auto active = model_->activePreset();
    for (auto* tile : tiles_)
        tile->setActive(active == tile->preset());
}

void SidebarView::refreshFooter()
{
    const auto& manifest = model_->manifest();
    footer_->setVisible(manifest.has_value());
    if (!manifest)
        return;
    footerName_->setFullText(QString::fromStdString(manifest->displayName));
    footerDetails_->setFullText(QString::number(manifest->structureCount) + " strutture · "
        + QString::fromStdString(manifest->license));
}

void SidebarView::rebuildSystemRows()
{
    std::map<AnatomySystem, SystemRow*> kept;
    const auto& counts = model_->systemCounts();
    int position = 0;
    for (auto system : allAnatomySystems()) {
        const auto count = counts.find(system);
        const auto existing = systemRows_.find(system);
        if (count == counts.end() || count->second < 1)
            continue;
        SystemRow* row = existing != systemRows_.end() ? existing->second : nullptr;
        if (row) {
            systemRows_.erase(existing);
            row->refresh();
        } else {
            row = new SystemRow(*model_, system, systemRowsBox_);
            row->setObjectName(QString("system.") + QString::number(morvena::rawValue(system)));
            systemRowsLayout_->insertWidget(position, row);
        }
        kept.emplace(system, row);
        ++position;
    }
    for (auto& [system, row] : systemRows_)
        delete row;
    systemRows_ = std::move(kept);
}

void SidebarView::refreshSystemRows()
{
    for (auto& [system, row] : systemRows_)
        row->refresh();
}

void SidebarView::refreshTreeKind()
{
    if (auto* segment = treeKinds_[static_cast<std::size_t>(model_->treeKind())]; !segment->isChecked()) {
        const QSignalBlocker blocker(segment);
        segment->setChecked(true);
    }
}

void SidebarView::resetTree()
{
    const auto& roots = model_->treeRoots();
    treeModel_->setRoots(roots);
    treeEmpty_->setVisible(roots.empty());
    tree_->setVisible(!roots.empty());
    for (int row = 0; row < treeModel_->rowCount(); ++row)
        tree_->expand(treeModel_->index(row, 0));
}

void SidebarView::refreshBookmarks()
{
    bookmarksModel_->setHits(model_->bookmarks());
    const bool empty = model_->bookmarks().empty();
    bookmarksEmpty_->setVisible(empty);
    bookmarksList_->setVisible(!empty);
}

void SidebarView::selectAndFrame(const QString& conceptID)
{
    if (!model_)
        return;
    model_->selectConcept(conceptID.toStdString(), true);
    model_->focusSelection();
}

bool SidebarView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonPress)
        lastReleasePosition_ = static_cast<QMouseEvent*>(event)->position().toPoint();
    return QWidget::eventFilter(watched, event);
}

void SidebarView::treeClicked(const QModelIndex& index)
{
    const auto* node = treeModel_->node(index);
    if (!node)
        return;
    if (TaxonomyNodeDelegate::chevronRect(tree_->visualRect(index)).contains(lastReleasePosition_)) {
        if (!TaxonomyTreeModel::isLeaf(*node))
            tree_->setExpanded(index, !tree_->isExpanded(index));
        return;
    }
    selectAndFrame(QString::fromStdString(node->id));
}

void SidebarView::treeCollapsed(const QModelIndex& index)
{
    if (collapsingChildren_)
        return;
    // The children close too, and forget what they read: one level, whatever lies below.
    collapsingChildren_ = true;
    for (int row = 0; row < treeModel_->rowCount(index); ++row)
        tree_->collapse(treeModel_->index(row, 0, index));
    collapsingChildren_ = false;
    treeModel_->setOpen(index, false);
}

void SidebarView::savedViewClicked(const QModelIndex& index)
{
    const auto* view = savedViewsModel_->view(index);
    if (!view || !model_)
        return;
    const auto chosen = *view; // the list is read again by a delete
    if (SavedViewDelegate::trashRect(savedViewsList_->visualRect(index)).contains(lastReleasePosition_))
        model_->deleteView(chosen);
    else
        model_->restore(chosen);
}

void SidebarView::saveView()
{
    if (model_ && model_->saveCurrentView(viewName_->text().toStdString()))
        viewName_->clear();
}

} // namespace morvena
