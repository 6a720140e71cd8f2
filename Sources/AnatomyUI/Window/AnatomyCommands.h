#pragma once

#include "AnatomyUI/Commands/CommandShortcuts.h"

#include <QKeySequence>
#include <QObject>
#include <QPointer>

#include <map>
#include <span>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace morvena {

class AppModel;

// The viewer's menus: "Esporta immagine…" and "Esci" in "File", then "Vista" and
// "Anatomia". Every item acts on the model the window hands over (the focused one),
// reading it when chosen; with none it does nothing. Only "Esporta immagine…" shows
// disabled without a model. "Mostra barra laterale" switches a column of the window,
// which connects it.
class AnatomyCommands : public QObject {
    Q_OBJECT

public:
    using Command = CommandShortcuts::Command;
    using Shortcut = CommandShortcuts::Shortcut;

    // The shortcuts the menus bind; help texts print from the same table.
    static std::span<const Shortcut> shortcuts() { return CommandShortcuts::all(); }
    // Empty for an item without one.
    static QKeySequence shortcut(Command command) { return CommandShortcuts::of(command); }

    // Adds the menus to the bar. `quit` closes the window the way its close button does.
    AnatomyCommands(QMenuBar& menuBar, std::function<void()> quit, QObject* parent = nullptr);

    void setModel(QPointer<AppModel> model);
    AppModel* model() const { return model_.data(); }
    QAction* action(Command command) const { return actions_.at(command); }

private:
    void addFileMenu(QMenuBar& menuBar, std::function<void()> quit);
    void addViewMenu(QMenuBar& menuBar);
    void addAnatomyMenu(QMenuBar& menuBar);
    QAction* addToggle(QMenu& menu, Command command, const QString& title, bool (AppModel::*read)() const,
        void (AppModel::*write)(bool));
    void remember(Command command, QAction* action);
    // The toggles' marks and the export item's state, from the model.
    void refresh();

    QPointer<AppModel> model_;
    QMetaObject::Connection modelConnection_;
    std::map<Command, QAction*> actions_; // owned by their menus
    std::map<Command, bool (AppModel::*)() const> toggles_;
};

} // namespace morvena
