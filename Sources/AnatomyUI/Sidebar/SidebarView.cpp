#include "AnatomyUI/Sidebar/SidebarView.h"

#include "AnatomyUI/Internal/RowButton.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Model/SearchHitListModel.h"
#include "AnatomyUI/Sidebar/BookmarksSection.h"
#include "AnatomyUI/Sidebar/LayersSection.h"
#include "AnatomyUI/Sidebar/PresetTile.h"
#include "AnatomyUI/Sidebar/SavedViewsSection.h"
#include "AnatomyUI/Sidebar/SearchHitDelegate.h"
#include "AnatomyUI/Sidebar/SidebarActions.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"
#include "AnatomyUI/Sidebar/SystemsSection.h"
#include "AnatomyUI/Sidebar/TreeSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace morvena {

using ViewText::column;

namespace {

constexpr int narrowestWidth = 238;
constexpr int sectionTurnMilliseconds = 180;
constexpr std::array sectionOrder {SidebarView::Section::systems, SidebarView::Section::tree,
    SidebarView::Section::layers, SidebarView::Section::bookmarks, SidebarView::Section::views};

std::size_t slot(SidebarView::Section section)
{
    return static_cast<std::size_t>(section);
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
    refreshSections();
}

SidebarView::~SidebarView() = default;

QSize SidebarView::minimumSizeHint() const
{
    return {narrowestWidth, QWidget::minimumSizeHint().height()};
}

QString SidebarView::newViewName() const
{
    return savedViews_->newViewName();
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
    resultsList_ = SidebarLook::listView("resultsList", results);
    resultsList_->setModel(resultsModel_);
    resultsList_->setItemDelegate(new SearchHitDelegate(SearchHitDelegate::Kind::result, resultsList_));
    connect(resultsList_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (const auto* hit = resultsModel_->hit(index))
            SidebarActions::selectAndFrame(model_, hit->conceptID);
    });
    layout->addWidget(resultsList_, 1);
    return results;
}

QAbstractButton* SidebarView::makeHeader(Section section, QWidget* parent)
{
    auto* header = new RowButton(7, parent);
    header->setObjectName(QString("header.") + DisplayText::fromUtf8(rawValue(section)));
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
    content->setObjectName(QString("content.") + DisplayText::fromUtf8(rawValue(section)));
    auto* layout = column(content, contentSpacing(section), {0, 0, 0, 6});
    layout->addWidget(makeSection(section, content), 1);
    return content;
}

QWidget* SidebarView::makeSection(Section section, QWidget* parent)
{
    switch (section) {
    case Section::systems:
        return new SystemsSection(*model_, parent);
    case Section::tree:
        return new TreeSection(*model_, parent);
    case Section::layers:
        // The controls keep their heights in a short window: the section scrolls instead.
        return SidebarLook::scrolling(new LayersSection(*model_), parent);
    case Section::bookmarks:
        return new BookmarksSection(*model_, parent);
    case Section::views:
        savedViews_ = new SavedViewsSection(*model_, parent);
        return savedViews_;
    }
    return nullptr;
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

} // namespace morvena
