#pragma once

#include <filesystem>
#include <memory>

namespace morvena {

namespace sqlite {
class Connection;
} // namespace sqlite
class FileIdentity;

// Hands the user's notes, bookmarks and saved views of an installed dataset to
// the version about to replace it (a new import, a downloaded archive). They
// belong to the user, not to the import or the publisher: the incoming database
// keeps none of its own, nor their counters, and it receives every row of the
// installed one, also those of concepts it lacks, which come back when the
// concept does. A note or bookmark on a structure id that an older import
// derived from a name with invisible characters follows the structure.
//
// From the copy on, the installed database stays locked for writing until the
// object goes. Destroy it once the new folder is in place: a note the viewer
// saves meanwhile waits for the lock and then finds its file replaced, instead
// of landing in a database about to be deleted.
class UserRowsHandover {
public:
    // Throws DBError when the installed rows exist but cannot be read for a
    // reason other than damage, or the incoming database cannot take them;
    // nothing has changed then. No installed database hands over no rows; nor
    // does one SQLite cannot read (its header, page size or schema damaged, or
    // a page of a user table), which installedIsDamaged() then tells. Damage in
    // an index alone hides no row: every one is handed over.
    UserRowsHandover(const std::filesystem::path& installed, const std::filesystem::path& incoming);
    ~UserRowsHandover();
    UserRowsHandover(const UserRowsHandover&) = delete;
    UserRowsHandover& operator=(const UserRowsHandover&) = delete;

    // The installed file exists but SQLite cannot read it, or not all of its
    // user rows: they are still in its pages, and the file must not go with
    // the old folder.
    bool installedIsDamaged() const { return damaged_; }

    // Removes every user row from a database that leaves this computer (a
    // published archive), rebuilding the file so that nothing of them stays in
    // its free pages. Throws DBError.
    static void clear(const std::filesystem::path& database);

private:
    std::unique_ptr<sqlite::Connection> installed_;
    std::unique_ptr<FileIdentity> identity_;
    bool damaged_ = false;
};

} // namespace morvena
