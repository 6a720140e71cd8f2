#include "AnatomyUI/Window/ContentView.h"

#include "AnatomyUI/Inspector/InspectorView.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Setup/DatasetSetupView.h"
#include "AnatomyUI/Sidebar/SidebarView.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/ViewportContainer.h"
#include "AnatomyUI/Window/Diagnostics.h"
#include "AnatomyUI/Window/MainToolbar.h"
#include "AnatomyUI/Window/WindowTitle.h"

#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cstdlib>

namespace morvena {

namespace {

struct ColumnWidths {
    int minimum, ideal, maximum;
};
constexpr ColumnWidths sidebarWidths {238, 272, 400};
constexpr ColumnWidths inspectorWidths {286, 322, 460};

// A side column: its width range, on the slightly lifted colour of side panes.
void makeSideColumn(QWidget& column, ColumnWidths widths)
{
    column.setMinimumWidth(widths.minimum);
    column.setMaximumWidth(widths.maximum);
    QPalette palette = column.palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::AlternateBase));
    column.setPalette(palette);
    column.setAutoFillBackground(true);
}

QLabel* makeText(const QString& text, Theme::TextStyle style, Theme::Foreground level, QWidget* parent)
{
    auto* label = new QLabel(text, parent); // owned by parent
    label->setFont(Theme::font(style));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::foreground(palette, level));
    label->setPalette(palette);
    return label;
}

// The sidebar while no dataset is shown.
QWidget* makeSidebarPlaceholder(QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setMinimumWidth(240);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);
    column->addWidget(makeText("Morvena", Theme::TextStyle::headline, Theme::Foreground::primary, page));
    column->addWidget(
        makeText("Nessun dataset caricato.", Theme::TextStyle::callout, Theme::Foreground::secondary, page));
    column->addStretch();
    return page;
}

QWidget* makeLoadingPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* column = new QVBoxLayout(page);
    column->addStretch();
    auto* progress = new QProgressBar(page);
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setFixedWidth(220);
    column->addWidget(progress, 0, Qt::AlignHCenter);
    auto* label = makeText(
        "Caricamento del dataset anatomico…", Theme::TextStyle::callout, Theme::Foreground::secondary, page);
    column->addWidget(label, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

} // namespace

ContentView::ContentView(AppModelServices services, QWidget* parent)
    : QWidget(parent)
    , model_(std::make_unique<AppModel>(std::move(services)))
{
    setMinimumSize(minimumWidth, minimumHeight);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    toolbar_ = new MainToolbar(model_.get(), this);
    rows->addWidget(toolbar_);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(1);
    splitter_->setStyleSheet(
        QStringLiteral("QSplitter::handle { background: %1; }")
            .arg(Theme::foreground(palette(), Theme::Foreground::quaternary).name(QColor::HexArgb)));
    splitter_->addWidget(makeSidebarColumn());
    splitter_->addWidget(makeDetailColumn());
    splitter_->addWidget(makeInspectorColumn());
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({sidebarWidths.ideal, minimumWidth - sidebarWidths.ideal - inspectorWidths.ideal,
        inspectorWidths.ideal});
    rows->addWidget(splitter_, 1);

    connect(toolbar_, &MainToolbar::inspectorToggled, this, &ContentView::setShowInspector);
    connect(toolbar_, &MainToolbar::sidebarToggled, this, &ContentView::setShowSidebar);
    connect(model_.get(), &AppModel::changed, this, &ContentView::modelChanged);
    showPhase();
}

ContentView::~ContentView()
{
    // The views go before the model they call into.
    delete splitter_;
    delete toolbar_;
}

QWidget* ContentView::makeSidebarColumn()
{
    sidebar_ = new QStackedWidget(this);
    makeSideColumn(*sidebar_, sidebarWidths);
    sidebarPlaceholder_ = makeSidebarPlaceholder(sidebar_);
    sidebar_->addWidget(sidebarPlaceholder_);
    return sidebar_;
}

QWidget* ContentView::makeDetailColumn()
{
    detail_ = new QStackedWidget(this);
    loadingPage_ = makeLoadingPage(detail_);
    detail_->addWidget(loadingPage_);
    return detail_;
}

QWidget* ContentView::makeInspectorColumn()
{
    inspector_ = new QWidget(this);
    makeSideColumn(*inspector_, inspectorWidths);
    auto* layout = new QVBoxLayout(inspector_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new InspectorView(*model_, inspector_));
    return inspector_;
}

QString ContentView::title() const
{
    return WindowTitle::title(*model_);
}

QString ContentView::subtitle() const
{
    return WindowTitle::subtitle(*model_);
}

QString ContentView::windowTitle() const
{
    return WindowTitle::windowTitle(*model_);
}

void ContentView::setShowInspector(bool shown)
{
    showInspector_ = shown;
    inspector_->setVisible(shown);
    toolbar_->setInspectorShown(shown);
}

void ContentView::setShowSidebar(bool shown)
{
    if (shown == showSidebar_)
        return;
    showSidebar_ = shown;
    sidebar_->setVisible(shown);
    toolbar_->setSidebarShown(shown);
    emit sidebarShownChanged(shown);
}

QWidget* ContentView::detailPage() const
{
    return detail_->currentWidget();
}

void ContentView::modelChanged(AppModel::Field field)
{
    using Field = AppModel::Field;
    switch (field) {
    case Field::phase:
        showPhase();
        break;
    case Field::renderer:
        if (std::holds_alternative<AppModel::Ready>(model_->phase()))
            rebuildReadyPage();
        break;
    case Field::selection:
    case Field::manifest:
        updateTitle();
        toolbar_->refresh();
        break;
    case Field::isolationActive:
    case Field::ghostOthers:
        toolbar_->refresh();
        break;
    default:
        break;
    }
}

void ContentView::showPhase()
{
    const auto& phase = model_->phase();
    const bool ready = std::holds_alternative<AppModel::Ready>(phase);
    if (ready && model_->renderer().get() != readyRenderer_)
        rebuildReadyPage();
    QWidget* page = nullptr;
    if (ready && readyPage_)
        page = readyPage_;
    else if (std::holds_alternative<AppModel::Loading>(phase))
        page = loadingPage_;
    else
        page = setupPage();
    detail_->setCurrentWidget(page);
    if (page != setupPage_)
        retireSetupPage();
    sidebar_->setCurrentWidget(ready && sidebarReady_ ? sidebarReady_ : sidebarPlaceholder_);
    toolbar_->refresh();
    updateTitle();
}

QWidget* ContentView::setupPage()
{
    if (!setupPage_) {
        setupPage_ = new DatasetSetupView(*model_, DatasetSetupView::defaultHeaderText, {}, detail_);
        detail_->addWidget(setupPage_);
    }
    return setupPage_;
}

void ContentView::retireSetupPage()
{
    // The typed import form and the open group belong to the screen that showed them:
    // once the column shows another view, the next setup screen starts over.
    if (!setupPage_)
        return;
    setupPage_->hide();
    setupPage_->deleteLater(); // its own "Apri" may be what got here
    setupPage_ = nullptr;
}

void ContentView::updateTitle()
{
    auto title = windowTitle();
    if (title == shownTitle_)
        return;
    shownTitle_ = title;
    emit windowTitleChanged(title);
}

void ContentView::rebuildReadyPage()
{
    for (QWidget* old : {readyPage_, sidebarReady_}) {
        if (old) {
            old->hide();
            old->deleteLater(); // it may be inside one of its own events
        }
    }
    readyRenderer_ = model_->renderer().get();
    readyPage_ = new QWidget(detail_);
    auto* layout = new QVBoxLayout(readyPage_);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* container = new ViewportContainer(*model_, readyPage_);
    viewport_ = container->viewport();
    layout->addWidget(container);
    detail_->addWidget(readyPage_);
    sidebarReady_ = new SidebarView(*model_, sidebar_);
    sidebar_->addWidget(sidebarReady_);
    if (std::holds_alternative<AppModel::Ready>(model_->phase())) {
        detail_->setCurrentWidget(readyPage_);
        sidebar_->setCurrentWidget(sidebarReady_);
    }
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Qt shows the window again on each restore from minimised: only the first
    // showing starts the model.
    if (event->spontaneous() || appeared_)
        return;
    appeared_ = true;
    runAppearHook();
}

void ContentView::runAppearHook()
{
    if (const char* select = std::getenv("ANATOMY_SELECT"); select && *select)
        AppModel::selectOnLaunch = std::string(select);
    model_->bootstrap();
    Diagnostics::startIfRequested(model_.get());
}

} // namespace morvena
