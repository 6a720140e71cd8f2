#include "AnatomyUI/Commands/CommandShortcuts.h"

#include <algorithm>
#include <vector>

namespace morvena {

namespace {

using Command = CommandShortcuts::Command;

const std::vector<CommandShortcuts::Shortcut>& shortcutTable()
{
    static const std::vector<CommandShortcuts::Shortcut> table {
        {Command::exportImage, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {Command::quit, QKeySequence(QKeySequence::Quit)},
        {Command::anterior, QKeySequence(Qt::CTRL | Qt::Key_1)},
        {Command::posterior, QKeySequence(Qt::CTRL | Qt::Key_2)},
        {Command::left, QKeySequence(Qt::CTRL | Qt::Key_3)},
        {Command::right, QKeySequence(Qt::CTRL | Qt::Key_4)},
        {Command::superior, QKeySequence(Qt::CTRL | Qt::Key_5)},
        {Command::inferior, QKeySequence(Qt::CTRL | Qt::Key_6)},
        {Command::frameAll, QKeySequence(Qt::CTRL | Qt::Key_0)},
        {Command::focusSelection, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F)},
        {Command::resetView, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
        // Split views switch their sidebar with S, the menus' modifier and Qt's Meta.
        {Command::sidebar, QKeySequence(Qt::CTRL | Qt::META | Qt::Key_S)},
        {Command::isolate, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {Command::endIsolation, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
        {Command::hide, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H)},
        {Command::deselect, QKeySequence(Qt::Key_Escape)},
        {Command::measure, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M)},
    };
    return table;
}

} // namespace

std::span<const CommandShortcuts::Shortcut> CommandShortcuts::all()
{
    return shortcutTable();
}

QKeySequence CommandShortcuts::of(Command command)
{
    const auto& table = shortcutTable();
    auto found = std::find_if(
        table.begin(), table.end(), [command](const Shortcut& entry) { return entry.command == command; });
    return found == table.end() ? QKeySequence() : found->keys;
}

} // namespace morvena
