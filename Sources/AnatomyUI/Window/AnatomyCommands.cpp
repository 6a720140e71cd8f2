#include "AnatomyUI/Window/AnatomyCommands.h"

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Window/ViewMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace morvena {

namespace {

using Command = AnatomyCommands::Command;

constexpr Command presetCommands[] = {Command::anterior, Command::posterior, Command::left, Command::right,
    Command::superior, Command::inferior};

} // namespace

AnatomyCommands::AnatomyCommands(QMenuBar& menuBar, std::function<void()> quit, QObject* parent)
    : QObject(parent)
{
    addFileMenu(menuBar, std::move(quit));
    addViewMenu(menuBar);
    addAnatomyMenu(menuBar);
    refresh();
}

void AnatomyCommands::setModel(QPointer<AppModel> model)
{
    disconnect(modelConnection_);
    model_ = model;
    if (model_)
        modelConnection_ = connect(model_, &AppModel::changed, this, [this](AppModel::Field field) {
            if (field == AppModel::Field::showStatistics || field == AppModel::Field::measureMode)
                refresh();
        });
    refresh();
}

void AnatomyCommands::remember(Command command, QAction* action)
{
    action->setShortcut(shortcut(command));
    action->setShortcutContext(Qt::WindowShortcut);
    actions_[command] = action;
}

void AnatomyCommands::addFileMenu(QMenuBar& menuBar, std::function<void()> quit)
{
    auto* menu = menuBar.addMenu("File");
    auto* exportImage = menu->addAction("Esporta immagine…");
    connect(exportImage, &QAction::triggered, this, [this] {
        if (model_)
            model_->exportScreenshot(2);
    });
    remember(Command::exportImage, exportImage);
    menu->addSeparator();
    auto* quitAction = menu->addAction("Esci");
    quitAction->setMenuRole(QAction::QuitRole);
    connect(quitAction, &QAction::triggered, this, [quit = std::move(quit)] {
        if (quit)
            quit();
    });
    remember(Command::quit, quitAction);
}

void AnatomyCommands::addViewMenu(QMenuBar& menuBar)
{
    auto* menu = menuBar.addMenu("Vista");
    ViewMenu::ModelSource source = [this] { return model_.data(); };
    auto presets = ViewMenu::addPresets(*menu, source);
    for (int i = 0; i < presets.size(); ++i)
        remember(presetCommands[i], presets[i]);
    menu->addSeparator();
    remember(Command::frameAll, ViewMenu::addItem(*menu, "Inquadra tutto", source, &AppModel::frameAll));
    remember(Command::focusSelection,
        ViewMenu::addItem(*menu, "Centra la selezione", source, &AppModel::focusSelection));
    remember(
        Command::resetView, ViewMenu::addItem(*menu, "Ripristina la vista", source, &AppModel::resetAll));
    menu->addSeparator();
    addToggle(*menu, Command::statistics, "Statistiche di rendering", &AppModel::showStatistics,
        &AppModel::setShowStatistics);
    menu->addSeparator();
    auto* sidebar = menu->addAction("Mostra barra laterale");
    sidebar->setCheckable(true);
    sidebar->setChecked(true);
    remember(Command::sidebar, sidebar);
}

void AnatomyCommands::addAnatomyMenu(QMenuBar& menuBar)
{
    auto* menu = menuBar.addMenu("Anatomia");
    ViewMenu::ModelSource source = [this] { return model_.data(); };
    remember(Command::isolate,
        ViewMenu::addItem(*menu, "Isola la selezione", source, &AppModel::isolateSelection));
    remember(Command::endIsolation,
        ViewMenu::addItem(*menu, "Esci dall'isolamento", source, &AppModel::clearIsolation));
    remember(
        Command::hide, ViewMenu::addItem(*menu, "Nascondi la selezione", source, &AppModel::hideSelection));
    remember(Command::showHidden,
        ViewMenu::addItem(*menu, "Mostra tutte le strutture", source, &AppModel::showHidden));
    menu->addSeparator();
    remember(Command::showAllSystems,
        ViewMenu::addItem(*menu, "Mostra tutti i sistemi", source, &AppModel::showAllSystems));
    remember(Command::deselect, ViewMenu::addItem(*menu, "Deseleziona", source, &AppModel::clearSelection));
    menu->addSeparator();
    addToggle(*menu, Command::measure, "Misurazione", &AppModel::measureMode, &AppModel::setMeasureMode);
}

QAction* AnatomyCommands::addToggle(QMenu& menu, Command command, const QString& title,
    bool (AppModel::*read)() const, void (AppModel::*write)(bool))
{
    auto* action = menu.addAction(title);
    action->setCheckable(true);
    // The mark follows the model: a click only stores the negation, and refresh()
    // puts the mark back where the model says.
    connect(action, &QAction::triggered, this, [this, read, write] {
        if (model_)
            (model_.data()->*write)(!(model_.data()->*read)());
        refresh();
    });
    remember(command, action);
    toggles_[command] = read;
    return action;
}

void AnatomyCommands::refresh()
{
    action(Command::exportImage)->setEnabled(model_ != nullptr);
    for (const auto& [command, read] : toggles_)
        action(command)->setChecked(model_ && (model_.data()->*read)());
}

} // namespace morvena
