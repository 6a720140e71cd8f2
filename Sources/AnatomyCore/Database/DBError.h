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

    // Why SQLite failed, as an Italian clause without a final stop, from its
    // result code (extended codes too) and the system error behind it (0 when
    // none): one sentence per result code, but for an I/O error or a file that
    // cannot be opened, whose system error says the cause (a full disk, a
    // permission, too many open files, a lock the disk refuses…). Only
    // isDamage codes call the file damaged.
    static std::string reason(int resultCode, int systemError);

    // What SQLite reported: its result code (extended codes too), the system
    // error behind it (0 when none) and its English text. what() says, in
    // Italian alone, what could not be done and reason(); a full disk adds
    // the advice to free space. A handover's failure reads "Impossibile
    // trasferire le annotazioni dell'utente nel nuovo dataset: " and the
    // reason. SQLite's text and the statement, when given (its first 160
    // characters after " — "), go into message() only.
    static DBError fromSQLite(Kind kind, int resultCode, int systemError, const std::string& sqliteText,
        std::string_view statement = {});

    Kind kind() const { return kind_; }
    // Why it failed, as reason(resultCode, systemError) says it.
    const std::string& reason() const { return reason_; }
    // SQLite's own text, without the Italian prefix.
    const std::string& message() const { return message_; }

private:
    DBError(Kind kind, std::string description, std::string reason, std::string message);

    Kind kind_;
    std::string reason_;
    std::string message_;
};

} // namespace morvena
