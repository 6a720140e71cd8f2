#pragma once

#include <QKeySequence>

#include <span>

namespace morvena {

// The viewer's commands and the one table of their keyboard shortcuts. The menus bind
// the keys and the viewport's tool strip prints them in its help texts, so the table
// sits below both rather than with either.
class CommandShortcuts {
public:
    enum class Command {
        exportImage,
        quit,
        anterior,
        posterior,
        left,
        right,
        superior,
        inferior,
        frameAll,
        focusSelection,
        resetView,
        statistics,
        sidebar,
        isolate,
        endIsolation,
        hide,
        showHidden,
        showAllSystems,
        deselect,
        measure,
    };

    struct Shortcut {
        Command command;
        QKeySequence keys;
    };

    static std::span<const Shortcut> all();
    // Empty for a command without one.
    static QKeySequence of(Command command);
};

} // namespace morvena
