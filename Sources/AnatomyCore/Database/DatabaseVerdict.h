#pragma once

#include <string>

namespace morvena {

// What SQLite's own checks say of a dataset's database, the one judgement that
// the viewer's load, verify and the handover to a new version all follow. The
// user's tables (notes, bookmarks, saved views and the views' counter) are
// judged apart from the rest: damage there hides rows the user wrote, damage
// elsewhere only the dataset's own.
struct DatabaseVerdict {
    enum class Kind {
        clean,
        // The header, page size or schema are damaged, or the file is no database.
        unreadable,
        // Beside the file lies the journal of an interrupted write that a
        // read-only connection may not roll back: its rows may be half written.
        interruptedWrite,
        // A page or an index of the user's tables; the rest may be damaged too.
        userRowsDamaged,
        // Pages or indexes of the dataset's own tables only.
        otherPagesDamaged,
        // The checks could not run (descriptors, memory, locks, a read error):
        // nothing can be said of the file.
        notChecked,
    };

    Kind kind = Kind::clean;
    // The interrupted write's journal, for interruptedWrite.
    std::string journal;
    // Why the checks could not run, an Italian clause, for notChecked.
    std::string failure;

    bool clean() const { return kind == Kind::clean; }
    // SQLite found damage: the file holds what it cannot read, and a new
    // version of the dataset keeps it apart.
    bool damaged() const
    {
        return kind == Kind::unreadable || kind == Kind::userRowsDamaged || kind == Kind::otherPagesDamaged;
    }
    // The verdict in one Italian line, starting in lower case; empty when clean.
    std::string line() const;
};

} // namespace morvena
