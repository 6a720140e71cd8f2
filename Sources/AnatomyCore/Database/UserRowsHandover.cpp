#include "AnatomyCore/Database/UserRowsHandover.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Database/Internal/FileIdentity.h"
#include "AnatomyCore/Database/Internal/SQLite.h"
#include "AnatomyCore/Support/FormerStructureIDs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
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

// What a user row consists of, table by table, as the schema has it, and how
// it goes into the incoming database. Rows come in rowid order. A note whose id
// a damaged unique index let in twice keeps its newer text; one bookmark stays
// per structure. Rows the new schema cannot hold (a note without text) were
// never readable and are left out.
struct UserTable {
    std::string_view name;
    std::string_view columns;
    std::string_view onConflict;
};
constexpr std::array<UserTable, 3> userTables = {{
    {AnatomyDB::userTables[0], "concept_id, body, updated_at",
        " ON CONFLICT(concept_id) DO UPDATE SET body = excluded.body, updated_at = excluded.updated_at"
        " WHERE excluded.updated_at >= notes.updated_at"},
    {AnatomyDB::userTables[1], "concept_id, created_at", ""},
    {AnatomyDB::userTables[2], "id, name, payload, created_at", ""},
}};

// Saved views are numbered by an ever-growing counter; numbers of views the
// user deleted stay used in the new database too.
constexpr std::string_view viewCounterName = "saved_views";

DBError handoverFailure(const sqlite::Connection& connection)
{
    return connection.failure(DBError::Kind::handover);
}

// Closing would checkpoint the "-wal" into the damaged file, whose inode the
// kept copy shares as a hard link, and delete it; both stay as they are.
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

void run(sqlite::Connection& connection, const std::string& sql)
{
    if (!connection.tryExecute(sql))
        throw handoverFailure(connection);
}

// Reads what SQLite can still read of the installed database. Damage met on
// the way is noted and read around; any other failure (descriptors, a busy
// file) throws the handover's failure, before anything is committed.
class InstalledRows {
public:
    InstalledRows(const sqlite::Connection& installed, bool& damaged)
        : installed_(installed)
        , damaged_(damaged)
    {
    }

    // Calls `each` with every row of `table` that SQLite can read, in rowid
    // order, as a statement whose columns are the rowid and then `columns`.
    // A full scan reads the table; where it fails, the next rowid is read
    // alone, then its row: a row that fails is skipped, and where the rowid
    // itself cannot be read, the next readable one is searched for. A damaged
    // leaf costs its own rows, a damaged interior page those below it.
    template <class Each> void forEach(std::string_view table, std::string_view columns, Each&& each)
    {
        const auto from
            = ", " + std::string(columns) + " FROM " + std::string(table) + " NOT INDEXED WHERE rowid ";
        auto scan = prepare("SELECT rowid" + from + ">= ?1 ORDER BY rowid");
        if (!scan)
            return;
        auto single = prepare("SELECT rowid" + from + "= ?1");
        nextRowid_ = prepare("SELECT rowid FROM " + std::string(table)
            + " NOT INDEXED WHERE rowid >= ?1 "
              "ORDER BY rowid LIMIT 1");
        for (std::optional<std::int64_t> start = lowest; start;) {
            std::optional<std::int64_t> last;
            scan.bindInt64(1, *start);
            int stepped = SQLITE_ROW;
            while ((stepped = scan.step()) == SQLITE_ROW) {
                each(scan);
                last = scan.int64(0);
            }
            scan.reset();
            if (stepped == SQLITE_DONE)
                return;
            noteDamage();
            start = readableAfterDamage(last ? following(*last) : start, single, each);
        }
    }

    // The installed file's saved-view counter; none when it has none, or
    // when it cannot be read: the largest view id handed over stands in.
    std::optional<std::int64_t> viewCounter()
    {
        auto counter = prepare("SELECT seq FROM sqlite_sequence WHERE name = ?1");
        if (!counter)
            return std::nullopt;
        counter.bindText(1, viewCounterName);
        const int result = counter.step();
        if (result == SQLITE_ROW)
            return counter.optionalInt64(0);
        if (result != SQLITE_DONE)
            noteDamage();
        return std::nullopt;
    }

private:
    static constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    static constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();

    static std::optional<std::int64_t> following(std::int64_t rowid)
    {
        return rowid == highest ? std::nullopt : std::optional(rowid + 1);
    }

    // Damage is noted; anything else throws.
    void noteDamage()
    {
        if (!DBError::isDamage(sqlite3_extended_errcode(installed_.get())))
            throw handoverFailure(installed_);
        damaged_ = true;
    }

    // A statement of the installed file; empty where the file lacks the table
    // or damage keeps it from compiling.
    sqlite::Statement prepare(const std::string& sql)
    {
        auto statement = installed_.tryPrepare(sql);
        if (!statement && !sqlite::lacksTable(installed_))
            noteDamage();
        return statement;
    }

    enum class Probe { failed, none, found };

    // The first rowid at or after `from`, or none, or a failure to read it.
    std::pair<Probe, std::int64_t> probe(std::int64_t from)
    {
        nextRowid_.bindInt64(1, from);
        const int result = nextRowid_.step();
        const std::int64_t rowid = result == SQLITE_ROW ? nextRowid_.int64(0) : 0;
        nextRowid_.reset();
        if (result == SQLITE_ROW)
            return {Probe::found, rowid};
        if (result == SQLITE_DONE)
            return {Probe::none, 0};
        noteDamage();
        return {Probe::failed, 0};
    }

    // Hands over rows one by one from `from` until one reads whole, and
    // returns where the scan goes on: after that row, or none at the end.
    template <class Each>
    std::optional<std::int64_t> readableAfterDamage(
        std::optional<std::int64_t> from, sqlite::Statement& single, Each&& each)
    {
        while (from) {
            const auto [found, rowid] = probe(*from);
            if (found == Probe::none)
                return std::nullopt;
            if (found == Probe::failed) {
                from = firstReadableKey(*from);
                continue;
            }
            single.bindInt64(1, rowid);
            const int result = single.step();
            if (result == SQLITE_ROW)
                each(single);
            single.reset();
            if (result != SQLITE_ROW && result != SQLITE_DONE)
                noteDamage(); // this row is skipped
            if (result == SQLITE_ROW)
                return following(rowid);
            from = following(rowid);
        }
        return std::nullopt;
    }

    // The smallest key above `failing` whose probe succeeds, or none: the step
    // doubles from `failing` until a probe succeeds, then halves back, since
    // the failing keys of one damaged page are one run.
    std::optional<std::int64_t> firstReadableKey(std::int64_t failing)
    {
        std::uint64_t step = 1;
        std::int64_t good = failing;
        for (;;) {
            const auto room = static_cast<std::uint64_t>(highest) - static_cast<std::uint64_t>(failing);
            good = step >= room ? highest
                                : static_cast<std::int64_t>(static_cast<std::uint64_t>(failing) + step);
            if (probe(good).first != Probe::failed)
                break;
            if (good == highest)
                return std::nullopt;
            failing = good;
            step *= 2;
        }
        while (static_cast<std::uint64_t>(good) - static_cast<std::uint64_t>(failing) > 1) {
            const auto middle = static_cast<std::int64_t>(static_cast<std::uint64_t>(failing)
                + (static_cast<std::uint64_t>(good) - static_cast<std::uint64_t>(failing)) / 2);
            (probe(middle).first == Probe::failed ? failing : good) = middle;
        }
        return good;
    }

    const sqlite::Connection& installed_;
    bool& damaged_;
    sqlite::Statement nextRowid_;
};

// Copies the rows value by value instead of attaching one database to the
// other, which SQLite allows only between files of one text encoding: an
// installed dataset in UTF-16 can still be updated. Copying none writes
// nothing, so an import repeated on the same input gives the same file.
void copyRows(InstalledRows& installed, sqlite::Connection& incoming, const UserTable& table)
{
    std::string placeholders;
    const auto columnCount = std::ranges::count(table.columns, ',') + 1;
    for (int column = 1; column <= columnCount; ++column)
        placeholders += (column == 1 ? "?" : ", ?") + std::to_string(column);
    auto insert = incoming.tryPrepare("INSERT OR IGNORE INTO main." + std::string(table.name) + "("
        + std::string(table.columns) + ") VALUES (" + placeholders + ")" + std::string(table.onConflict));
    if (!insert)
        throw handoverFailure(incoming);
    installed.forEach(table.name, table.columns, [&](const sqlite::Statement& row) {
        for (int column = 1; column <= columnCount; ++column)
            insert.bindColumn(column, row, column);
        if (!insert.stepDone())
            throw handoverFailure(incoming);
        insert.reset();
    });
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

std::int64_t rowCount(const sqlite::Connection& incoming, std::string_view table)
{
    auto count = incoming.tryPrepare("SELECT count(*) FROM main." + std::string(table));
    if (!count || count.step() != SQLITE_ROW)
        throw handoverFailure(incoming);
    return count.int64(0);
}

// Replaces the user rows of `incoming` by those that can be read of
// `installed` (none without it); returns how many of each the incoming holds.
UserRowsHandover::Counts replaceUserRows(const fs::path& incoming, InstalledRows* installed)
{
    auto connection = openForWriting(incoming);
    run(*connection, "BEGIN IMMEDIATE");
    try {
        for (const auto& table : userTables) {
            run(*connection, "DELETE FROM main." + std::string(table.name));
            // A counter the incoming file brings (a view numbered at the end of
            // the range) would stop the user's next row for good.
            run(*connection,
                "DELETE FROM main.sqlite_sequence WHERE name = '" + std::string(table.name) + "'");
            if (installed)
                copyRows(*installed, *connection, table);
        }
        if (const auto counter = installed ? installed->viewCounter() : std::nullopt)
            keepViewCounter(*connection, *counter);
        if (installed)
            followRenamedStructures(*connection);
        const UserRowsHandover::Counts counts {rowCount(*connection, userTables[0].name),
            rowCount(*connection, userTables[1].name), rowCount(*connection, userTables[2].name)};
        run(*connection, "COMMIT");
        return counts;
    } catch (...) {
        connection->tryExecute("ROLLBACK");
        throw;
    }
}

// The installed database with its write lock held, none when there is no file.
// A damaged header or page size fails as soon as the lock is taken (NOTADB),
// which is damage too: nothing of the file can be read.
std::unique_ptr<sqlite::Connection> lockedInstalled(const fs::path& file, bool& damaged)
{
    if (!mayExist(file))
        return nullptr;
    auto connection = openForWriting(file);
    if (sqlite3_exec(connection->get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (!DBError::isDamage(sqlite3_extended_errcode(connection->get())))
            throw handoverFailure(*connection);
        damaged = true;
        return connection;
    }
    const auto verdict = sqlite::verdict(*connection);
    if (verdict.kind == DatabaseVerdict::Kind::notChecked)
        throw handoverFailure(*connection);
    damaged = !verdict.clean();
    return connection;
}

} // namespace

UserRowsHandover::UserRowsHandover(const fs::path& installed, const fs::path& incoming)
{
    installed_ = lockedInstalled(installed, damaged_);
    identity_ = std::make_unique<FileIdentity>(installed);
    // A version without a database replaces only a version without one, or
    // a damaged one, which is kept whole.
    if ((!installed_ || damaged_) && !mayExist(incoming))
        return;
    try {
        std::optional<InstalledRows> rows;
        if (installed_)
            rows.emplace(*installed_, damaged_);
        handedOver_ = replaceUserRows(incoming, rows ? &*rows : nullptr);
    } catch (...) {
        // The installed file stays as it was found, damaged or not.
        if (damaged_)
            leaveAsFound(*installed_);
        throw;
    }
}

UserRowsHandover::~UserRowsHandover()
{
    if (!installed_)
        return;
    installed_->tryExecute("ROLLBACK");
    if (damaged_)
        leaveAsFound(*installed_);
    // Once replaced, the side files beside the path belong to the new database.
    else if (identity_->replaced())
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
