#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace morvena {

// A failure of the anatomy database. what() is the Italian text the user sees;
// it never holds SQL.
class DBError : public std::runtime_error {
public:
    enum class Kind {
        open, // the file could not be opened
        sql, // a statement could not be compiled or executed
        // the user's rows could not move into a new version of the dataset
        handover,
    };

    // Why SQLite cannot read a file whose header, page size, pages or schema are
    // damaged, or that is no database at all.
    static constexpr std::string_view damagedReason = "è danneggiato o non è un database SQLite";
    // Whether a result code (extended codes too) says so: SQLITE_NOTADB, SQLITE_CORRUPT.
    static bool isDamage(int resultCode);

    static DBError open(std::string message);
    static DBError sql(std::string message);
    // What SQLite reported: its result code (extended codes too), the system
    // error behind it (0 when none) and its English text. A full disk
    // (SQLITE_FULL, or ENOSPC or EDQUOT behind an I/O error or a file that
    // cannot be opened) and an I/O error
    // are described in Italian, and so is a damaged file (isDamage, with
    // damagedReason); any other failure keeps SQLite's text. A
    // handover's failure is always described in Italian alone: "Impossibile
    // trasferire le annotazioni dell'utente nel nuovo dataset: " and the reason
    // (spazio su disco esaurito, database in sola lettura, struttura del
    // database non riconosciuta, …). The statement, when given, goes into
    // message() only, its first 160 characters after " — ".
    static DBError fromSQLite(Kind kind, int resultCode, int systemError, const std::string& sqliteText,
        std::string_view statement = {});

    Kind kind() const { return kind_; }
    // SQLite's own text, without the Italian prefix.
    const std::string& message() const { return message_; }

private:
    DBError(Kind kind, std::string description, std::string message);

    Kind kind_;
    std::string message_;
};

} // namespace morvena
