#include "AnatomyCore/Database/UserRowsHandover.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Database/Internal/FileIdentity.h"
#include "AnatomyCore/Database/Internal/SQLite.h"
#include "AnatomyCore/Support/FormerStructureIDs.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvena {

namespace {

namespace fs = std::filesystem;

// The viewer holds the write lock only while it stores one row; waiting well
// beyond that keeps a handover from failing on a dataset that is open.
constexpr int busyTimeoutMilliseconds = 5000;

// What a user row consists of, table by table, as the schema has it.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> userColumns = {{
    {AnatomyDB::userTables[0], "concept_id, body, updated_at"},
    {AnatomyDB::userTables[1], "concept_id, created_at"},
    {AnatomyDB::userTables[2], "id, name, payload, created_at"},
}};

// Saved views are numbered by an ever-growing counter; numbers of views the
// user deleted stay used in the new database too.
constexpr std::string_view viewCounterName = "saved_views";

DBError handoverFailure(const sqlite::Connection& connection)
{
    return connection.failure(DBError::Kind::handover);
}

// Damage met while reading the installed file: its rows stay in its pages, and
// the file is kept instead of failing every later import.
struct InstalledDamaged { };

// Throws the installed connection's last failure: damage as InstalledDamaged,
// anything else as the handover's failure.
[[noreturn]] void failReading(const sqlite::Connection& installed)
{
    if (DBError::isDamage(sqlite3_errcode(installed.get())))
        throw InstalledDamaged {};
    throw handoverFailure(installed);
}

// Closing would copy the "-wal" into the damaged file and delete it; both stay
// as they are, to be kept together.
void leaveAsFound(sqlite::Connection& installed)
{
    sqlite3_db_config(installed.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    installed.keepSideFilesOnClose();
}

// Also true when the file cannot be looked at: opening it then says why.
bool mayExist(const fs::path& file)
{
    std::error_code error;
    return fs::status(file, error).type() != fs::file_type::not_found;
}

std::unique_ptr<sqlite::Connection> openForWriting(const fs::path& file)
{
    auto connection = std::make_unique<sqlite::Connection>(file, SQLITE_OPEN_READWRITE);
    sqlite3_busy_timeout(connection->get(), busyTimeoutMilliseconds);
    return connection;
}

// Only a table the file lacks means no rows; any other failure to compile is
// a table of another shape or damage, which must not pass for "nothing".
bool lacksTable(const sqlite::Connection& connection)
{
    return connection.errorMessage().starts_with("no such table");
}

void run(sqlite::Connection& connection, const std::string& sql)
{
    if (!connection.tryExecute(sql))
        throw handoverFailure(connection);
}

// The installed rows of one table, read through the installed database's own
// connection; none when the file lacks the table or it is empty. Copying none
// writes nothing, so an import repeated on the same input gives the same file.
sqlite::Statement installedRows(
    const sqlite::Connection& installed, std::string_view table, std::string_view columns)
{
    // A full scan of the table alone: damage in an index hides no row.
    const auto from = " FROM " + std::string(table) + " NOT INDEXED";
    auto probe = installed.tryPrepare("SELECT 1" + from + " LIMIT 1");
    if (!probe) {
        if (lacksTable(installed))
            return {}; // a table the file lacks holds no rows
        failReading(installed);
    }
    if (const int result = probe.step(); result != SQLITE_ROW) {
        if (result != SQLITE_DONE)
            failReading(installed);
        return {};
    }
    auto rows = installed.tryPrepare("SELECT " + std::string(columns) + from);
    if (!rows)
        failReading(installed);
    return rows;
}

// Calls `each` on every row left to `rows`, a statement of the installed file.
template <class Each>
void forEachRow(sqlite::Statement& rows, const sqlite::Connection& installed, Each&& each)
{
    int stepped = SQLITE_ROW;
    while ((stepped = rows.step()) == SQLITE_ROW)
        each();
    if (stepped != SQLITE_DONE)
        failReading(installed);
}

// Copies the rows value by value instead of attaching one database to the
// other, which SQLite allows only between files of one text encoding: an
// installed dataset in UTF-16 can still be updated.
void copyRows(const sqlite::Connection& installed, sqlite::Connection& incoming, std::string_view table,
    std::string_view columns)
{
    auto rows = installedRows(installed, table, columns);
    if (!rows)
        return;
    std::string placeholders;
    for (int column = 1; column <= rows.columnCount(); ++column)
        placeholders += (column == 1 ? "?" : ", ?") + std::to_string(column);
    // Rows the new schema cannot hold (a note without text) were never readable.
    auto insert = incoming.tryPrepare("INSERT OR IGNORE INTO main." + std::string(table) + "("
        + std::string(columns) + ") VALUES (" + placeholders + ")");
    if (!insert)
        throw handoverFailure(incoming);
    forEachRow(rows, installed, [&] {
        for (int column = 0; column < rows.columnCount(); ++column)
            insert.bindColumn(column + 1, rows, column);
        if (!insert.stepDone())
            throw handoverFailure(incoming);
        insert.reset();
    });
}

// The installed file's saved-view counter, or none when it has none.
std::optional<std::int64_t> installedViewCounter(const sqlite::Connection& installed)
{
    auto counter = installed.tryPrepare("SELECT seq FROM sqlite_sequence WHERE name = ?1");
    if (!counter) {
        if (lacksTable(installed))
            return std::nullopt; // a file without the counter has no numbers to keep
        failReading(installed);
    }
    counter.bindText(1, viewCounterName);
    const int result = counter.step();
    if (result == SQLITE_ROW)
        return counter.optionalInt64(0);
    if (result != SQLITE_DONE)
        failReading(installed);
    return std::nullopt;
}

// Reads every user row and the view counter once, before anything is copied,
// so that damage in their pages is known before the incoming file changes.
void readEveryUserRow(const sqlite::Connection& installed)
{
    for (auto [table, columns] : userColumns)
        if (auto rows = installedRows(installed, table, columns))
            forEachRow(rows, installed, [] {});
    installedViewCounter(installed);
}

// The installed database with its write lock held, none when there is no file,
// or damaged when SQLite cannot read its schema or one of its user rows. A
// damaged schema fails only at the first statement that reads it, after the
// lock is taken.
struct LockedInstalled {
    std::unique_ptr<sqlite::Connection> connection;
    bool damaged = false;
};

LockedInstalled lockedInstalled(const fs::path& file)
{
    if (!mayExist(file))
        return {};
    auto connection = openForWriting(file);
    try {
        // Header or page size damaged: NOTADB; pages or schema: CORRUPT.
        if (sqlite3_exec(connection->get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK
            || sqlite::schemaRead(*connection) != SQLITE_OK)
            failReading(*connection);
        readEveryUserRow(*connection);
    } catch (const InstalledDamaged&) {
        leaveAsFound(*connection);
        return {nullptr, true};
    }
    return {std::move(connection), false};
}

// Raises the incoming counter to the installed one; the views copied may have
// set it already.
void keepViewCounter(sqlite::Connection& incoming, std::int64_t counter)
{
    const auto bound = [&](std::string_view sql) {
        auto statement = incoming.tryPrepare(sql);
        if (!statement)
            throw handoverFailure(incoming);
        statement.bindText(1, viewCounterName);
        statement.bindInt64(2, counter);
        return statement;
    };
    auto raise = bound("UPDATE main.sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1");
    if (!raise.stepDone())
        throw handoverFailure(incoming);
    if (sqlite3_changes(incoming.get()) > 0)
        return;
    if (!bound("INSERT INTO main.sqlite_sequence(name, seq) VALUES (?1, ?2)").stepDone())
        throw handoverFailure(incoming);
}

// Calls `row` with each row of a query on the incoming database.
template <class Row> void forEachRow(const sqlite::Connection& incoming, const std::string& sql, Row&& row)
{
    auto rows = incoming.tryPrepare(sql);
    if (!rows)
        throw handoverFailure(incoming);
    int stepped = SQLITE_ROW;
    while ((stepped = rows.step()) == SQLITE_ROW)
        row(rows);
    if (stepped != SQLITE_DONE)
        throw handoverFailure(incoming);
}

// The ids of a table's rows that name no structure of the incoming database.
std::vector<std::string> idsOfNoStructure(const sqlite::Connection& incoming, std::string_view table)
{
    std::vector<std::string> found;
    forEachRow(incoming,
        "SELECT concept_id FROM main." + std::string(table)
            + " AS user_row WHERE typeof(concept_id) = 'text' AND NOT EXISTS "
              "(SELECT 1 FROM main.structures WHERE concept_id = user_row.concept_id)",
        [&](const sqlite::Statement& row) { found.push_back(row.requiredText(0)); });
    return found;
}

FormerStructureIDs formerIDsOfIncoming(const sqlite::Connection& incoming)
{
    FormerStructureIDs former;
    forEachRow(incoming,
        "SELECT concept_id, name_en FROM main.structures"
        " WHERE typeof(concept_id) = 'text' AND typeof(name_en) = 'text'",
        [&](const sqlite::Statement& row) { former.add(row.requiredText(0), row.requiredText(1)); });
    return former;
}

// Ids derived from mesh names once kept the characters that show nothing
// ("femore<zero width space>sinistro"); the import now leaves them out, and
// "Osso" and "Os<zero width space>so" now give "osso" and "osso_1". A note or
// bookmark on an id that names no structure follows the one structure whose
// name gave that id then, unless that structure has a row of its own there:
// the old row then stays where it is, as no row is ever dropped. An id the old
// rule suffixed, or one that several names gave, cannot tell its structure:
// its rows stay where they are.
void followRenamedStructures(sqlite::Connection& incoming)
{
    std::optional<FormerStructureIDs> former;
    for (auto table : {AnatomyDB::userTables[0], AnatomyDB::userTables[1]}) {
        auto move = incoming.tryPrepare(
            "UPDATE OR IGNORE main." + std::string(table) + " SET concept_id = ?1 WHERE concept_id = ?2");
        if (!move)
            throw handoverFailure(incoming);
        for (const auto& id : idsOfNoStructure(incoming, table)) {
            if (!former)
                former = formerIDsOfIncoming(incoming);
            const auto structure = former->structureOf(id);
            if (!structure)
                continue;
            move.bindText(1, *structure);
            move.bindText(2, id);
            if (!move.stepDone())
                throw handoverFailure(incoming);
            move.reset();
        }
    }
}

// Replaces the user rows of `incoming` by those of `installed` (none without it).
void replaceUserRows(const fs::path& incoming, const sqlite::Connection* installed)
{
    auto connection = openForWriting(incoming);
    run(*connection, "BEGIN IMMEDIATE");
    try {
        for (auto [table, columns] : userColumns) {
            run(*connection, "DELETE FROM main." + std::string(table));
            // A counter the incoming file brings (a view numbered at the end of
            // the range) would stop the user's next row for good.
            run(*connection, "DELETE FROM main.sqlite_sequence WHERE name = '" + std::string(table) + "'");
            if (installed)
                copyRows(*installed, *connection, table, columns);
        }
        if (const auto counter = installed ? installedViewCounter(*installed) : std::nullopt)
            keepViewCounter(*connection, *counter);
        if (installed)
            followRenamedStructures(*connection);
        run(*connection, "COMMIT");
    } catch (...) {
        connection->tryExecute("ROLLBACK");
        throw;
    }
}

} // namespace

UserRowsHandover::UserRowsHandover(const fs::path& installed, const fs::path& incoming)
{
    auto locked = lockedInstalled(installed);
    installed_ = std::move(locked.connection);
    damaged_ = locked.damaged;
    identity_ = std::make_unique<FileIdentity>(installed);
    // A version without a database replaces only a version without one.
    if (!installed_ && !mayExist(incoming))
        return;
    try {
        replaceUserRows(incoming, installed_.get());
    } catch (const InstalledDamaged&) {
        // Met only now: the incoming rows were rolled back, and the file goes
        // the way of one found damaged at once.
        leaveAsFound(*installed_);
        installed_.reset();
        damaged_ = true;
        replaceUserRows(incoming, nullptr);
    }
}

UserRowsHandover::~UserRowsHandover()
{
    if (!installed_)
        return;
    installed_->tryExecute("ROLLBACK");
    // Once replaced, the side files beside the path belong to the new database.
    if (identity_->replaced())
        installed_->keepSideFilesOnClose();
}

void UserRowsHandover::clear(const fs::path& database)
{
    auto connection = openForWriting(database);
    // A table the file lacks holds no rows to remove.
    for (auto table : AnatomyDB::userTables)
        connection->tryExecute("DELETE FROM " + std::string(table));
    connection->execute("VACUUM");
}

} // namespace morvena
