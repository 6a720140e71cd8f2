#include "AnatomyCore/Database/DBError.h"

#include "AnatomyCore/Support/SystemText.h"

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <utility>

namespace morvena {

namespace {

constexpr std::size_t statementExcerptLength = 160;

// SQLite's primary result codes in the user's words. The statements are the
// program's own, so a plain SQL error means tables of another shape.
constexpr std::array<std::pair<int, std::string_view>, 25> resultReasons {{
    {SQLITE_OK, "SQLite non ne indica la causa"},
    {SQLITE_ERROR, "struttura del database non riconosciuta"},
    {SQLITE_INTERNAL, "errore interno di SQLite"},
    {SQLITE_PERM, "permesso negato"},
    {SQLITE_ABORT, "l'operazione è stata annullata"},
    {SQLITE_BUSY, "il database è in uso da un altro programma"},
    {SQLITE_LOCKED, "il database è bloccato da un'altra operazione in corso"},
    {SQLITE_NOMEM, "memoria esaurita"},
    {SQLITE_READONLY, "il database è in sola lettura"},
    {SQLITE_INTERRUPT, "l'operazione è stata interrotta"},
    {SQLITE_IOERR, "errore di lettura o scrittura sul disco"},
    {SQLITE_CORRUPT, "il database è danneggiato"},
    {SQLITE_NOTFOUND, "operazione sconosciuta a SQLite"},
    {SQLITE_FULL, "il disco è pieno"},
    {SQLITE_CANTOPEN, "il file del database non si può aprire"},
    {SQLITE_PROTOCOL, "un altro programma contende il blocco del database"},
    {SQLITE_SCHEMA, "lo schema del database è cambiato durante l'operazione"},
    {SQLITE_TOOBIG, "un testo o un dato supera la dimensione massima di SQLite"},
    {SQLITE_CONSTRAINT, "i dati violano un vincolo del database"},
    {SQLITE_MISMATCH, "un dato non è del tipo previsto"},
    {SQLITE_MISUSE, "SQLite è stato usato in modo scorretto"},
    {SQLITE_NOLFS, "il sistema non gestisce file così grandi"},
    {SQLITE_AUTH, "accesso al database non autorizzato"},
    {SQLITE_RANGE, "un parametro dell'istruzione è fuori intervallo"},
    {SQLITE_NOTADB, "il file è danneggiato o non è un database SQLite"},
}};

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

// SQLite keeps the system's error number only for a failed call of the file
// system; it may be left over from an earlier failure, so it counts for those
// failures only.
bool saysSystemError(int resultCode, int systemError)
{
    const int primary = resultCode & 0xFF;
    return systemError != 0 && (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN);
}

// SQLite reports a disk that filled up during a write as SQLITE_FULL, but as
// an I/O error when the shared-memory or journal file could not grow, and a
// file it could not create for want of room as one it cannot open.
bool diskIsFull(int resultCode, int systemError)
{
    return (resultCode & 0xFF) == SQLITE_FULL
        || (saysSystemError(resultCode, systemError) && (systemError == ENOSPC || systemError == EDQUOT));
}

// An I/O error that no system error explains names what SQLite could not do.
std::string_view ioErrorReason(int resultCode)
{
    switch (resultCode) {
    case SQLITE_IOERR_NOMEM:
        return "memoria esaurita";
    case SQLITE_IOERR_LOCK:
    case SQLITE_IOERR_RDLOCK:
    case SQLITE_IOERR_UNLOCK:
    case SQLITE_IOERR_CHECKRESERVEDLOCK:
    case SQLITE_IOERR_SHMLOCK:
        return "il disco non concede il blocco del file del database";
    default:
        return {};
    }
}

std::string italianDescription(DBError::Kind kind, int resultCode, int systemError)
{
    const std::string reason = DBError::reason(resultCode, systemError);
    if (kind == DBError::Kind::handover)
        return "Impossibile trasferire le annotazioni dell'utente nel nuovo dataset: " + reason;
    const bool full = diskIsFull(resultCode, systemError);
    std::string_view action = "Impossibile leggere o scrivere";
    if (kind == DBError::Kind::open)
        action = "Impossibile aprire";
    else if (full)
        action = "Impossibile scrivere";
    else if (DBError::isDamage(resultCode))
        action = "Impossibile leggere";
    return std::string(action) + " il database anatomico: " + reason
        + (full ? ". Libera spazio e riprova." : ".");
}

} // namespace

DBError::DBError(Kind kind, std::string description, std::string reason, std::string message)
    : std::runtime_error(std::move(description))
    , kind_(kind)
    , reason_(std::move(reason))
    , message_(std::move(message))
{
}

bool DBError::isDamage(int resultCode)
{
    const int primary = resultCode & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

std::string DBError::reason(int resultCode, int systemError)
{
    if (saysSystemError(resultCode, systemError))
        return SystemText::reason(systemError);
    if (auto known = ioErrorReason(resultCode); !known.empty())
        return std::string(known);
    const int primary = resultCode & 0xFF;
    for (const auto& [code, text] : resultReasons)
        if (code == primary)
            return std::string(text);
    return "errore di SQLite numero " + std::to_string(resultCode);
}

DBError DBError::fromSQLite(
    Kind kind, int resultCode, int systemError, const std::string& sqliteText, std::string_view statement)
{
    std::string message = sqliteText;
    if (!statement.empty())
        message.append(" — ").append(leadingCharacters(statement, statementExcerptLength));
    return DBError(kind, italianDescription(kind, resultCode, systemError), reason(resultCode, systemError),
        std::move(message));
}

} // namespace morvena
