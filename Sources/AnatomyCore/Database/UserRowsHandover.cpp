#include "AnatomyCore/Database/UserRowsHandover.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Database/Internal/FileIdentity.h"
#include "AnatomyCore/Database/Internal/SQLite.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

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
constexpr const char* viewCounterSQL
    = "UPDATE main.sqlite_sequence SET seq = (SELECT seq FROM installed.sqlite_sequence WHERE "
      "name = 'saved_views') WHERE name = 'saved_views' AND seq < (SELECT seq FROM "
      "installed.sqlite_sequence WHERE name = 'saved_views');\n"
      "INSERT INTO main.sqlite_sequence(name, seq) SELECT name, seq FROM installed.sqlite_sequence WHERE "
      "name = 'saved_views' AND NOT EXISTS (SELECT 1 FROM main.sqlite_sequence WHERE name = "
      "'saved_views');";

DBError handoverFailure(const sqlite::Connection& connection)
{
    return connection.failure(DBError::Kind::handover);
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

// The installed database with its write lock held, or none when it holds
// nothing that can be handed over.
std::unique_ptr<sqlite::Connection> lockedInstalled(const fs::path& file)
{
    if (!mayExist(file))
        return nullptr;
    auto connection = openForWriting(file);
    const int result = sqlite3_exec(connection->get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (result == SQLITE_NOTADB || result == SQLITE_CORRUPT)
        return nullptr;
    if (result != SQLITE_OK)
        throw handoverFailure(*connection);
    return connection;
}

// Whether the installed database has rows in the table. Copying none would
// still write the saved views' counter, and an import repeated on the same
// input would then no longer give the same file.
bool installedHasRows(const sqlite::Connection& connection, std::string_view table)
{
    auto probe = connection.tryPrepare("SELECT 1 FROM installed." + std::string(table) + " LIMIT 1");
    if (!probe)
        return false; // a table the file lacks holds no rows
    const int result = probe.step();
    if (result != SQLITE_ROW && result != SQLITE_DONE)
        throw handoverFailure(connection);
    return result == SQLITE_ROW;
}

void attachInstalled(sqlite::Connection& connection, const fs::path& installed)
{
    auto attach = connection.tryPrepare("ATTACH DATABASE ?1 AS installed");
    if (!attach)
        throw handoverFailure(connection);
    attach.bindText(1, installed.string());
    if (!attach.stepDone())
        throw handoverFailure(connection);
}

void run(sqlite::Connection& connection, const std::string& sql)
{
    if (!connection.tryExecute(sql))
        throw handoverFailure(connection);
}

// Replaces the user rows of `incoming` by those of `installed` (none without it).
void replaceUserRows(const fs::path& incoming, const fs::path* installed)
{
    auto connection = openForWriting(incoming);
    if (installed)
        attachInstalled(*connection, *installed);
    // Deferred: an immediate transaction would ask for the write lock of the
    // attached installed database too, which this handover already holds.
    run(*connection, "BEGIN");
    try {
        for (auto [table, columns] : userColumns) {
            run(*connection, "DELETE FROM main." + std::string(table));
            // A counter the incoming file brings (a view numbered at the end of
            // the range) would stop the user's next row for good.
            run(*connection, "DELETE FROM main.sqlite_sequence WHERE name = '" + std::string(table) + "'");
            // Rows the new schema cannot hold (a note without text) were never readable.
            if (installed && installedHasRows(*connection, table))
                run(*connection,
                    "INSERT OR IGNORE INTO main." + std::string(table) + "(" + std::string(columns)
                        + ") SELECT " + std::string(columns) + " FROM installed." + std::string(table));
        }
        // An installed file without the counter has no numbers to keep.
        if (installed)
            connection->tryExecute(viewCounterSQL);
        run(*connection, "COMMIT");
    } catch (...) {
        connection->tryExecute("ROLLBACK");
        throw;
    }
}

} // namespace

UserRowsHandover::UserRowsHandover(const fs::path& installed, const fs::path& incoming)
    : installed_(lockedInstalled(installed))
    , identity_(std::make_unique<FileIdentity>(installed))
{
    // A version without a database replaces only a version without one.
    if (!installed_ && !mayExist(incoming))
        return;
    replaceUserRows(incoming, installed_ ? &installed : nullptr);
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
