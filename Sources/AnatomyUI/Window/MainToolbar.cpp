#include "AnatomyUI/Window/MainToolbar.h"

#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Window/ViewMenu.h"

#include <QMenu>
#include <QToolButton>

namespace morvena {

MainToolbar::MainToolbar(QPointer<AppModel> model, QWidget* parent)
    : QToolBar(parent)
    , model_(model)
{
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(18, 18));
    setContextMenuPolicy(Qt::PreventContextMenu);

    // Where the split view keeps its own switch: leading, over the sidebar.
    auto* sidebar = addColumnSwitch(Item::sidebar, "Barra laterale", "sidebar.leading");
    connect(sidebar, &QAction::toggled, this, &MainToolbar::sidebarToggled);
    rowItems_.append(addSeparator());
    auto* isolate
        = addItem(Item::isolate, "Isola", "square.on.square.dashed", "Mostra solo la selezione (I)");
    connect(isolate, &QAction::triggered, this, [this] {
        if (model_)
            model_->isolateSelection();
    });
    auto* endIsolation
        = addItem(Item::endIsolation, "Fine isolamento", "square.on.square", "Esci dall'isolamento");
    connect(endIsolation, &QAction::triggered, this, [this] {
        if (model_)
            model_->clearIsolation();
    });
    auto* hide = addItem(Item::hide, "Nascondi", "eye.slash", "Nascondi la selezione (H)");
    connect(hide, &QAction::triggered, this, [this] {
        if (model_)
            model_->hideSelection();
    });
    rowItems_.append(addSeparator());
    auto* focus
        = addItem(Item::focus, "Focus", "circle.dotted.circle", "Sfuma ciò che non è selezionato (G)");
    connect(focus, &QAction::triggered, this, [this] {
        if (model_)
            model_->setGhostOthers(!model_->ghostOthers());
    });
    addViewMenu();
    addSpacer();
    auto* inspector = addColumnSwitch(Item::inspector, "Scheda anatomica", "sidebar.trailing");
    connect(inspector, &QAction::toggled, this, &MainToolbar::inspectorToggled);

    // The row's height with its items, kept while they are hidden.
    setMinimumHeight(sizeHint().height());
    refresh();
}

QAction* MainToolbar::addItem(Item item, const char* label, const char* symbol, const char* tooltip)
{
    auto* action = addAction(IconRegistry::shared().icon(symbol), label);
    if (*tooltip)
        action->setToolTip(tooltip);
    actions_[item] = action;
    rowItems_.append(action);
    return action;
}

QAction* MainToolbar::addColumnSwitch(Item item, const char* label, const char* symbol)
{
    auto* action = addItem(item, label, symbol, "");
    action->setCheckable(true);
    action->setChecked(true);
    return action;
}

void MainToolbar::addViewMenu()
{
    viewButton_ = new QToolButton(this);
    viewButton_->setIcon(IconRegistry::shared().icon("cube"));
    viewButton_->setText("Vista");
    viewButton_->setToolTip("Vista");
    viewButton_->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(viewButton_); // owned by the button
    ViewMenu::ModelSource source = [this] { return model_.data(); };
    ViewMenu::addPresets(*menu, source);
    menu->addSeparator();
    ViewMenu::addItem(*menu, "Inquadra tutto", source, &AppModel::frameAll);
    ViewMenu::addItem(*menu, "Ripristina la vista", source, &AppModel::resetAll);
    viewButton_->setMenu(menu);
    auto* action = addWidget(viewButton_);
    actions_[Item::view] = action;
    rowItems_.append(action);
}

void MainToolbar::addSpacer()
{
    auto* spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    rowItems_.append(addWidget(spacer));
}

void MainToolbar::refresh()
{
    const bool ready = model_ && std::holds_alternative<AppModel::Ready>(model_->phase());
    for (auto* item : rowItems_)
        item->setVisible(ready);
    if (!model_)
        return;
    const bool selected = !model_->selection().empty();
    action(Item::isolate)->setEnabled(selected);
    action(Item::hide)->setEnabled(selected);
    action(Item::endIsolation)->setEnabled(model_->isolationActive());
    action(Item::focus)
        ->setIcon(IconRegistry::shared().icon(
            model_->ghostOthers() ? "circle.dotted.circle.fill" : "circle.dotted.circle"));
}

void MainToolbar::setInspectorShown(bool shown)
{
    action(Item::inspector)->setChecked(shown);
}

void MainToolbar::setSidebarShown(bool shown)
{
    action(Item::sidebar)->setChecked(shown);
}

} // namespace morvena
