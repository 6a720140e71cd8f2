#pragma once

#include <cstdint>
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
    // How many rows of each kind the incoming database holds once handed over.
    struct Counts {
        std::int64_t notes = 0;
        std::int64_t bookmarks = 0;
        std::int64_t views = 0;
        bool operator==(const Counts&) const = default;
    };

    // Throws DBError when the installed rows cannot be read for a reason other
    // than damage (descriptors, a busy file), or the incoming database cannot
    // take them; nothing has changed then. No installed database hands over no
    // rows. Where SQLite's verdict on the installed file is not clean, or a
    // read meets damage, every row SQLite can still read is handed over, and
    // installedIsDamaged() tells that the rest stays in the file alone.
    UserRowsHandover(const std::filesystem::path& installed, const std::filesystem::path& incoming);
    ~UserRowsHandover();
    UserRowsHandover(const UserRowsHandover&) = delete;
    UserRowsHandover& operator=(const UserRowsHandover&) = delete;

    // SQLite finds the installed file damaged: it may hold rows that could not
    // be read, and must not go with the old folder. From the moment it is
    // known, the file is only read, and it is closed as it was found.
    bool installedIsDamaged() const { return damaged_; }
    const Counts& handedOver() const { return handedOver_; }

    // Removes every user row from a database that leaves this computer (a
    // published archive), rebuilding the file so that nothing of them stays in
    // its free pages. Throws DBError.
    static void clear(const std::filesystem::path& database);

private:
    std::unique_ptr<sqlite::Connection> installed_;
    std::unique_ptr<FileIdentity> identity_;
    Counts handedOver_;
    bool damaged_ = false;
};

} // namespace morvena
