#include "AnatomyUI/Viewport/ViewportTools.h"

#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Commands/CommandShortcuts.h"
#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Viewport/CapsuleButton.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QResizeEvent>

namespace morvena {

namespace {

QString withShortcut(const char* text, CommandShortcuts::Command command)
{
    return QString("%1 (%2)").arg(text, CommandShortcuts::of(command).toString(QKeySequence::NativeText));
}

QAction* addCheckable(QMenu& menu, const QString& title, std::function<void(bool)> set)
{
    QAction* action = menu.addAction(title);
    action->setCheckable(true);
    QObject::connect(action, &QAction::triggered, &menu, std::move(set));
    return action;
}

// The width a layout gives the widget, shown or not.
int widthIn(const QWidget& widget)
{
    return widget.sizeHint().expandedTo(widget.minimumSize()).boundedTo(widget.maximumSize()).width();
}

} // namespace

ViewportTools::ViewportTools(AppModel& model, std::function<bool()> depthControlShown,
    std::function<void(bool)> setDepthControlShown, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , depthControlShown_(std::move(depthControlShown))
    , setDepthControlShown_(std::move(setDepthControlShown))
{
    setAttribute(Qt::WA_TranslucentBackground);
    row_ = new GlassPanel(GlassStyle::floating, {.cornerRadius = 20}, false, this);
    auto* layout = new QHBoxLayout(row_);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(4);
    using Command = CommandShortcuts::Command;
    addTool(Tool::reset, [this] { model_.resetAll(); });
    addTool(Tool::frameAll, [this] { model_.frameAll(); });
    addTool(Tool::focus, [this] { model_.focusSelection(); });
    groupSeparators_.emplace_back(addSeparator(), Tool::isolate);
    addTool(Tool::isolate, [this] {
        if (model_.isolationActive())
            model_.clearIsolation();
        else
            model_.isolateSelection();
    });
    addTool(Tool::ghost, [this] { model_.setGhostOthers(!model_.ghostOthers()); });
    addTool(Tool::measure, [this] { switchMeasuring(); });
    groupSeparators_.emplace_back(addSeparator(), Tool::labels);
    addTool(Tool::labels, [this] { switchHoverNames(); });
    addTool(Tool::exportImage, [this] { model_.exportScreenshot(2); });
    addTool(Tool::background, [this] { switchBackground(); });
    makeOverflow();
    optionsSeparator_ = addSeparator();
    makeOptions();
    button(Tool::reset).setToolTip("Ripristina la vista (R)");
    button(Tool::frameAll).setToolTip(withShortcut("Inquadra tutto", Command::frameAll));
    button(Tool::focus).setToolTip("Centra la selezione (F)");
    button(Tool::isolate).setToolTip("Isola la selezione (I)");
    button(Tool::ghost).setToolTip("Sfuma le strutture non selezionate (G)");
    button(Tool::measure).setToolTip("Misura distanze (M)");
    button(Tool::labels).setToolTip("Nomi al passaggio del cursore");
    button(Tool::exportImage)
        .setToolTip(withShortcut("Esporta immagine ad alta risoluzione", Command::exportImage));
    button(Tool::reset).setSymbol("arrow.counterclockwise");
    button(Tool::frameAll).setSymbol("viewfinder");
    button(Tool::focus).setSymbol("scope");
    button(Tool::exportImage).setSymbol("camera");
    refresh();
    fit();
}

void ViewportTools::addTool(Tool tool, std::function<void()> action)
{
    auto* button = new CapsuleButton(QSize(28, 26), row_);
    connect(button, &QToolButton::clicked, this, std::move(action));
    row_->layout()->addWidget(button);
    tools_.resize(std::max(tools_.size(), static_cast<std::size_t>(tool) + 1));
    tools_[static_cast<std::size_t>(tool)] = button;
}

QWidget* ViewportTools::addSeparator()
{
    auto* line = new QWidget(row_);
    line->setFixedSize(1, 18);
    QPalette palette = line->palette();
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(0.12);
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    line->setAutoFillBackground(true);
    auto* padded = new QWidget(row_);
    auto* layout = new QHBoxLayout(padded);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(line);
    row_->layout()->addWidget(padded);
    return padded;
}

CapsuleButton* ViewportTools::addMenuButton(
    int width, std::string_view symbol, const QString& help, QMenu*& menu, void (ViewportTools::*refresh)())
{
    auto* button = new CapsuleButton(QSize(width, 26), row_);
    button->setSymbol(symbol);
    button->setToolTip(help);
    button->setPopupMode(QToolButton::InstantPopup);
    menu = new QMenu(button);
    button->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, refresh);
    row_->layout()->addWidget(button);
    return button;
}

void ViewportTools::makeOverflow()
{
    overflow_ = addMenuButton(
        28, "ellipsis", "Altri strumenti", overflowMenu_, &ViewportTools::refreshOverflowMenu);
    overflow_->setObjectName("overflow");
    overflow_->hide();
}

void ViewportTools::refreshOverflowMenu()
{
    overflowMenu_->clear();
    for (std::size_t index = 0; index < tools_.size(); ++index) {
        auto* tool = tools_[index];
        if (!tool->isHidden())
            continue;
        // The entry does what the hidden button does; a switch shows its state with a
        // check mark, which an icon would take the place of.
        QAction* action = overflowMenu_->addAction(tool->toolTip());
        const auto kind = static_cast<Tool>(index);
        action->setCheckable(
            kind == Tool::isolate || kind == Tool::ghost || kind == Tool::measure || kind == Tool::labels);
        action->setChecked(tool->isActive());
        connect(action, &QAction::triggered, tool, [tool] { tool->click(); });
    }
}

void ViewportTools::makeOptions()
{
    options_ = addMenuButton(30, "slider.horizontal.3", "Qualità di resa e opzioni della vista", menu_,
        &ViewportTools::refreshMenu);

    menu_->addSection("Resa");
    auto* qualities = new QActionGroup(menu_);
    for (RenderQuality quality : allRenderQualities()) {
        auto* action = addCheckable(*menu_, QString::fromUtf8(italianName(quality)),
            [this, quality](bool) { model_.setQuality(quality); });
        action->setData(rawValue(quality));
        qualities->addAction(action);
    }
    menu_->addSeparator();
    auto* palettes = menu_->addMenu("Sfondo chiaro");
    auto* paletteGroup = new QActionGroup(palettes);
    for (BackgroundPalette palette : allBackgroundPalettes()) {
        auto* action = addCheckable(*palettes, QString::fromUtf8(italianName(palette)),
            [this, palette](bool) { model_.setBackgroundPalette(palette); });
        action->setData(rawValue(palette));
        paletteGroup->addAction(action);
    }
    menu_->addSeparator();
    addCheckable(
        *menu_, "Occhi e denti sempre in scena", [this](bool on) { model_.setShowEyesAndTeeth(on); });
    addCheckable(*menu_, "Statistiche di rendering", [this](bool on) { model_.setShowStatistics(on); });
    addCheckable(*menu_, "Controllo degli strati", [this](bool on) { setDepthControlShown_(on); });
}

void ViewportTools::refreshMenu()
{
    for (QAction* action : menu_->actions()) {
        if (action->menu()) {
            for (QAction* entry : action->menu()->actions())
                entry->setChecked(entry->data().toInt() == rawValue(model_.backgroundPalette()));
            continue;
        }
        const QString text = action->text();
        if (action->data().isValid())
            action->setChecked(action->data().toInt() == rawValue(model_.quality()));
        else if (text == "Occhi e denti sempre in scena")
            action->setChecked(model_.showEyesAndTeeth());
        else if (text == "Statistiche di rendering")
            action->setChecked(model_.showStatistics());
        else if (text == "Controllo degli strati")
            action->setChecked(depthControlShown_());
    }
}

CapsuleButton& ViewportTools::button(Tool tool) const
{
    return *tools_.at(static_cast<std::size_t>(tool));
}

void ViewportTools::refresh()
{
    button(Tool::isolate).setSymbol("square.on.square.dashed");
    button(Tool::isolate).setActive(model_.isolationActive());
    button(Tool::ghost)
        .setSymbol(model_.ghostOthers() ? "circle.dotted.circle.fill" : "circle.dotted.circle");
    button(Tool::ghost).setActive(model_.ghostOthers());
    button(Tool::measure).setSymbol(model_.measureMode() ? "ruler.fill" : "ruler");
    button(Tool::measure).setActive(model_.measureMode());
    button(Tool::labels).setSymbol(model_.showLabels() ? "tag.fill" : "tag");
    button(Tool::labels).setActive(model_.showLabels());
    const bool dark = model_.darkBackground();
    button(Tool::background).setSymbol(dark ? "moon.fill" : "sun.max.fill");
    button(Tool::background).setToolTip(dark ? "Passa a sfondo chiaro" : "Passa a sfondo scuro");
}

void ViewportTools::switchMeasuring()
{
    model_.setMeasureMode(!model_.measureMode());
    if (!model_.measureMode())
        model_.clearMeasurement();
}

void ViewportTools::switchHoverNames()
{
    model_.setShowLabels(!model_.showLabels());
    model_.preferences().setShowLabels(model_.showLabels());
}

void ViewportTools::switchBackground()
{
    model_.setDarkBackground(!model_.darkBackground());
    if (const auto& renderer = model_.renderer())
        renderer->setDarkBackground(model_.darkBackground());
    model_.preferences().setDarkBackground(model_.darkBackground());
    model_.redraw();
}

int ViewportTools::rowWidth(std::size_t shownTools, bool overflow) const
{
    const auto* layout = row_->layout();
    const QMargins margins = layout->contentsMargins();
    int width = margins.left() + margins.right() - layout->spacing();
    const auto add = [&](const QWidget& widget) { width += widthIn(widget) + layout->spacing(); };
    for (std::size_t index = 0; index < std::min(shownTools, tools_.size()); ++index) {
        for (const auto& [separator, first] : groupSeparators_)
            if (static_cast<std::size_t>(first) == index)
                add(*separator);
        add(*tools_[index]);
    }
    if (overflow)
        add(*overflow_);
    add(*optionsSeparator_);
    add(*options_);
    return width;
}

void ViewportTools::fit()
{
    std::size_t shown = tools_.size();
    const bool overflow = rowWidth(shown, false) > width();
    while (overflow && shown > 0 && rowWidth(shown, true) > width())
        --shown;
    for (std::size_t index = 0; index < tools_.size(); ++index)
        tools_[index]->setVisible(index < shown);
    for (const auto& [separator, first] : groupSeparators_)
        separator->setVisible(static_cast<std::size_t>(first) < shown);
    overflow_->setVisible(overflow);
    const int rowWidthNow = rowWidth(shown, overflow);
    row_->setGeometry(width() - rowWidthNow, 0, rowWidthNow, row_->sizeHint().height());
}

void ViewportTools::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fit();
}

QSize ViewportTools::sizeHint() const
{
    return {std::min(rowWidth(tools_.size(), false), 560), row_->sizeHint().height()};
}

QSize ViewportTools::minimumSizeHint() const
{
    return {rowWidth(0, true), row_->sizeHint().height()};
}

} // namespace morvena
