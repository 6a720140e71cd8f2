#include "AnatomyCore/Database/Internal/SQLite.h"

#include "AnatomyCore/Database/AnatomyDB.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <limits>

namespace morvena::sqlite {

namespace {

// Below this much free space an I/O error is taken for a full disk: SQLite
// does not always keep the system's error number of a write that failed.
constexpr std::uint64_t nearlyFullBytes = 1 << 20;

bool nearlyFull(const std::filesystem::path& file)
{
    struct statvfs status { };
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    return ::statvfs(folder.c_str(), &status) == 0
        && std::uint64_t {status.f_bavail} * status.f_frsize < nearlyFullBytes;
}

// The URI of the file with SQLite's immutable parameter; every byte of the path
// but letters, digits, "/", "-", "." and "_" is escaped, so no name can end the
// path or add a parameter.
std::string immutableURI(const std::filesystem::path& file)
{
    constexpr std::string_view hexDigits = "0123456789ABCDEF";
    constexpr std::string_view plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/-._";
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(file, ignored);
    std::string uri = "file://";
    for (const char byte : (absolute.empty() ? file : absolute).string()) {
        if (plain.find(byte) != std::string_view::npos) {
            uri += byte;
            continue;
        }
        const auto code = static_cast<unsigned char>(byte);
        uri += '%';
        uri += hexDigits[code >> 4];
        uri += hexDigits[code & 0xF];
    }
    return uri + "?immutable=1";
}

// What one of SQLite's checks answers.
enum class Finding { whole, damage, missingTable, notRun };

// A check is whole only where it answers exactly one row, "ok". A step that
// fails with damage is damage before or after a row: a zeroed page gives one
// finding, then fails.
Finding check(const Connection& connection, const std::string& pragma)
{
    auto statement = connection.tryPrepare(pragma);
    int result = statement ? SQLITE_ROW : SQLITE_ERROR;
    int rows = 0;
    bool ok = false;
    while (statement && (result = statement.step()) == SQLITE_ROW)
        ok = ++rows == 1 && statement.text(0) == "ok";
    if (result == SQLITE_DONE)
        return ok && rows == 1 ? Finding::whole : Finding::damage;
    if (lacksTable(connection))
        return Finding::missingTable;
    return DBError::isDamage(sqlite3_extended_errcode(connection.get())) ? Finding::damage : Finding::notRun;
}

DatabaseVerdict notChecked(const Connection& connection)
{
    return {.kind = DatabaseVerdict::Kind::notChecked, .failure = connection.failureReason()};
}

std::string journalName(const Connection& connection)
{
    const char* file = sqlite3_db_filename(connection.get(), "main");
    return std::filesystem::path(file ? file : "").filename().string() + "-journal";
}

} // namespace

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(statement_);
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

void Statement::bindText(int index, std::string_view text)
{
    // An empty view may carry a null pointer, which SQLite would bind as NULL.
    const char* bytes = text.data() ? text.data() : "";
    sqlite3_bind_text64(statement_, index, bytes, text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Statement::bindOptionalText(int index, const std::optional<std::string>& text)
{
    if (text)
        bindText(index, std::string_view(*text));
    else
        bindNull(index);
}

void Statement::bindInt64(int index, std::int64_t value)
{
    sqlite3_bind_int64(statement_, index, value);
}
void Statement::bindDouble(int index, double value)
{
    sqlite3_bind_double(statement_, index, value);
}
void Statement::bindNull(int index)
{
    sqlite3_bind_null(statement_, index);
}
void Statement::bindColumn(int index, const Statement& row, int column)
{
    sqlite3_bind_value(statement_, index, sqlite3_column_value(row.statement_, column));
}

std::optional<std::string> Statement::text(int column) const
{
    const auto* bytes = sqlite3_column_text(statement_, column);
    const int length = sqlite3_column_bytes(statement_, column);
    if (!bytes || length <= 0)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

std::optional<std::int64_t> Statement::optionalInt64(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return int64(column);
}

Connection::Connection(const std::filesystem::path& file, int flags, bool immutable)
    : file_(file)
{
    const int result = immutable
        ? sqlite3_open_v2(immutableURI(file).c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr)
        : sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        // The destructor does not run for a constructor that throws.
        DBError error = db_ ? failure(DBError::Kind::open)
                            : DBError::fromSQLite(DBError::Kind::open, result, 0, sqlite3_errstr(result));
        sqlite3_close_v2(std::exchange(db_, nullptr));
        throw error;
    }
}

void Connection::execute(const std::string& sql)
{
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw failure(DBError::Kind::sql, sql);
}

bool Connection::tryExecute(const std::string& sql) noexcept
{
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement Connection::prepare(std::string_view sql) const
{
    Statement statement = tryPrepare(sql);
    if (!statement)
        throw failure(DBError::Kind::sql, sql);
    return statement;
}

Statement Connection::tryPrepare(std::string_view sql) const noexcept
{
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return {};
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return {};
    }
    return Statement(raw); // null for a text without a statement
}

int Connection::systemError() const
{
    const int error = sqlite3_system_errno(db_);
    if ((sqlite3_extended_errcode(db_) & 0xFF) == SQLITE_IOERR && error == 0 && nearlyFull(file_))
        return ENOSPC;
    return error;
}

DBError Connection::failure(DBError::Kind kind, std::string_view sql) const
{
    return DBError::fromSQLite(kind, sqlite3_extended_errcode(db_), systemError(), errorMessage(), sql);
}

std::string Connection::failureReason() const
{
    return DBError::reason(sqlite3_extended_errcode(db_), systemError());
}

int schemaRead(const Connection& connection)
{
    auto probe = connection.tryPrepare("SELECT count(*) FROM sqlite_master");
    if (probe && probe.step() == SQLITE_ROW)
        return SQLITE_OK;
    return sqlite3_extended_errcode(connection.get());
}

DatabaseVerdict verdict(const Connection& connection)
{
    using Kind = DatabaseVerdict::Kind;
    const int schema = schemaRead(connection);
    if (DBError::isDamage(schema))
        return {.kind = Kind::unreadable};
    if (schema == SQLITE_READONLY_ROLLBACK)
        return {.kind = Kind::interruptedWrite, .journal = journalName(connection)};
    if (schema != SQLITE_OK)
        return notChecked(connection);
    // The first finding is enough: any damage refuses the file.
    const Finding everyPage = check(connection, "PRAGMA quick_check(1)");
    if (everyPage == Finding::notRun)
        return notChecked(connection);
    // integrity_check of one table reads that table's pages and compares its
    // indexes with its rows, which quick_check does not; it ignores every
    // other table.
    std::vector<std::string_view> userTables(AnatomyDB::userTables.begin(), AnatomyDB::userTables.end());
    userTables.push_back("sqlite_sequence");
    bool userRowsWhole = true;
    for (auto table : userTables) {
        const Finding found = check(connection, "PRAGMA integrity_check(" + std::string(table) + ")");
        if (found == Finding::notRun)
            return notChecked(connection);
        userRowsWhole = userRowsWhole && found != Finding::damage;
    }
    if (!userRowsWhole)
        return {.kind = Kind::userRowsDamaged};
    return {.kind = everyPage == Finding::whole ? Kind::clean : Kind::otherPagesDamaged};
}

bool lacksTable(const Connection& connection)
{
    return connection.errorMessage().starts_with("no such table");
}

std::optional<std::string> textForKey(
    const Connection& connection, std::string_view sql, std::string_view key)
{
    auto values = readRows(
        connection, sql, [&](Statement& statement) { statement.bindText(1, key); },
        [](const Statement& row) { return row.text(0); });
    return values.empty() ? std::nullopt : std::move(values.front());
}

} // namespace morvena::sqlite
