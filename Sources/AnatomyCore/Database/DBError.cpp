#include "AnatomyCore/Database/DBError.h"

#include <sqlite3.h>

#include <cerrno>
#include <utility>

namespace morvena {

namespace {

constexpr std::size_t statementExcerptLength = 160;

// The first `count` characters of a UTF-8 text, never cutting a character in two.
std::string_view leadingCharacters(std::string_view text, std::size_t count)
{
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size() && characters < count; ++characters) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return text.substr(0, end);
}

// SQLite reports a disk that filled up during a write as SQLITE_FULL, but as
// an I/O error when the shared-memory or journal file could not grow, and a
// file it could not create for want of room as one it cannot open. Its system
// error may be left over from an earlier failure, so it counts for those only.
bool diskIsFull(int resultCode, int systemError)
{
    const int primary = resultCode & 0xFF;
    return primary == SQLITE_FULL
        || ((primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN)
            && (systemError == ENOSPC || systemError == EDQUOT));
}

bool isReadOnly(int resultCode, int systemError)
{
    const int primary = resultCode & 0xFF;
    return primary == SQLITE_READONLY
        || ((primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN)
            && (systemError == EROFS || systemError == EACCES || systemError == EPERM));
}

// Why the user's rows could not move, in the user's words: the statements are
// the handover's own, so a plain SQL error means tables of another shape.
std::string handoverReason(int resultCode, int systemError)
{
    const int primary = resultCode & 0xFF;
    if (diskIsFull(resultCode, systemError))
        return "spazio su disco esaurito";
    if (isReadOnly(resultCode, systemError))
        return "database in sola lettura";
    if (primary == SQLITE_ERROR)
        return "struttura del database non riconosciuta";
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return "database in uso da un altro programma";
    if (primary == SQLITE_IOERR)
        return "errore di lettura o scrittura sul disco";
    return "database danneggiato o illeggibile";
}

std::string italianDescription(DBError::Kind kind, int resultCode, int systemError, const std::string& text)
{
    if (kind == DBError::Kind::handover)
        return "Impossibile trasferire le annotazioni dell'utente nel nuovo dataset: "
            + handoverReason(resultCode, systemError);
    const bool opening = kind == DBError::Kind::open;
    if (diskIsFull(resultCode, systemError))
        return std::string(opening ? "Impossibile aprire" : "Impossibile scrivere")
            + " il database anatomico: il disco è pieno. Libera spazio e riprova.";
    if (DBError::isDamage(resultCode))
        return std::string(opening ? "Impossibile aprire il database anatomico: "
                                   : "Impossibile leggere il database anatomico: ")
            + std::string(DBError::damagedReason) + ".";
    if ((resultCode & 0xFF) == SQLITE_IOERR)
        return std::string(opening ? "Impossibile aprire il database anatomico"
                                   : "Impossibile leggere o scrivere il database anatomico")
            + ": errore di lettura o scrittura sul disco.";
    return (opening ? "Impossibile aprire il database anatomico: " : "Errore SQL: ") + text;
}

} // namespace

DBError::DBError(Kind kind, std::string description, std::string message)
    : std::runtime_error(std::move(description))
    , kind_(kind)
    , message_(std::move(message))
{
}

bool DBError::isDamage(int resultCode)
{
    const int primary = resultCode & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

DBError DBError::open(std::string message)
{
    std::string description = "Impossibile aprire il database anatomico: " + message;
    return DBError(Kind::open, std::move(description), std::move(message));
}

DBError DBError::sql(std::string message)
{
    std::string description = "Errore SQL: " + message;
    return DBError(Kind::sql, std::move(description), std::move(message));
}

DBError DBError::fromSQLite(
    Kind kind, int resultCode, int systemError, const std::string& sqliteText, std::string_view statement)
{
    std::string message = sqliteText;
    if (!statement.empty())
        message.append(" — ").append(leadingCharacters(statement, statementExcerptLength));
    return DBError(kind, italianDescription(kind, resultCode, systemError, sqliteText), std::move(message));
}

} // namespace morvena
