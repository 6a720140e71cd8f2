#pragma once

// Thin owners of SQLite handles for the anatomy database. Private to
// AnatomyCore: nothing outside the module sees a sqlite3 type.

#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Database/DatabaseVerdict.h"

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace morvena::sqlite {

// A compiled statement, finalized when it goes.
class Statement {
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* statement)
        : statement_(statement)
    {
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(Statement&& other) noexcept
        : statement_(std::exchange(other.statement_, nullptr))
    {
    }
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return statement_ != nullptr; }

    // Text is always copied by SQLite (transient destructor).
    void bindText(int index, std::string_view text);
    // An absent text is bound as NULL, never as empty text.
    void bindOptionalText(int index, const std::optional<std::string>& text);
    void bindInt64(int index, std::int64_t value);
    void bindDouble(int index, double value);
    void bindNull(int index);
    // Binds the value of `row`'s current row in `column` as it is, whatever its
    // type; text is converted to this statement's database encoding.
    void bindColumn(int index, const Statement& row, int column);

    int step() { return sqlite3_step(statement_); }
    // One step that must report completion.
    bool stepDone() { return step() == SQLITE_DONE; }
    void reset() { sqlite3_reset(statement_); }

    int columnCount() const { return sqlite3_column_count(statement_); }
    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    // NULL and empty text both give no value.
    std::optional<std::string> text(int column) const;
    // No value becomes empty text, for fields that are not optional.
    std::string requiredText(int column) const { return text(column).value_or(std::string()); }
    // NULL reads as 0.
    std::int64_t int64(int column) const { return sqlite3_column_int64(statement_, column); }
    std::optional<std::int64_t> optionalInt64(int column) const;
    double real(int column) const { return sqlite3_column_double(statement_, column); }

private:
    sqlite3_stmt* statement_ = nullptr;
};

// One open connection, closed with the deferred close so that it is released
// once every statement is finalized.
class Connection {
public:
    // Throws DBError::open with SQLite's failure, or for want of memory when no
    // handle came back. An immutable file is opened read-only and read without
    // locks or side files: for a file nobody can change, in a folder where
    // SQLite could not create them.
    Connection(const std::filesystem::path& file, int flags, bool immutable = false);
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* get() const { return db_; }
    std::string errorMessage() const { return sqlite3_errmsg(db_); }
    // Keeps SQLite from deleting the "-wal" and "-shm" files beside the path when
    // this connection closes: once the path names another database, they are its.
    void keepSideFilesOnClose() noexcept
    {
        int keep = 1;
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
    }

    // Runs one text of one or more statements; throws DBError::sql.
    void execute(const std::string& sql);
    // Runs the text and reports only whether it succeeded.
    bool tryExecute(const std::string& sql) noexcept;
    // Compiles one statement; throws DBError::sql when it does not compile or
    // the text holds no statement.
    Statement prepare(std::string_view sql) const;
    // Compiles one statement; an empty statement when it does not compile.
    Statement tryPrepare(std::string_view sql) const noexcept;

    // The connection's last failure as the error to throw; the statement that
    // failed, when given, is kept in its message() only.
    DBError failure(DBError::Kind kind, std::string_view sql = {}) const;
    // The connection's last failure as DBError::reason words it.
    std::string failureReason() const;

private:
    // The system error behind the last failure, 0 when none.
    int systemError() const;

    std::filesystem::path file_;
    sqlite3* db_ = nullptr;
};

// Binds, reads every row and resets a statement compiled earlier, so that one kept
// for later holds no read lock between calls; empty when it did not compile.
template <class Read, class Bind> auto readRows(Statement& statement, Bind&& bind, Read&& read)
{
    std::vector<std::invoke_result_t<Read&, const Statement&>> rows;
    if (!statement)
        return rows;
    bind(statement);
    while (statement.step() == SQLITE_ROW)
        rows.push_back(read(statement));
    statement.reset();
    return rows;
}

// Compiles, binds, reads every row and finalizes; empty when the statement
// does not compile.
template <class Read, class Bind>
auto readRows(const Connection& connection, std::string_view sql, Bind&& bind, Read&& read)
{
    auto statement = connection.tryPrepare(sql);
    return readRows(statement, bind, read);
}

template <class Read> auto readRows(const Connection& connection, std::string_view sql, Read&& read)
{
    return readRows(
        connection, sql, [](Statement&) {}, read);
}

// What SQLite answers when it first reads the file, its header and schema, as
// every statement does: SQLITE_OK, damage (DBError::isDamage) or another
// failure, in extended codes (SQLITE_READONLY_ROLLBACK: an interrupted write
// that this connection may not roll back).
int schemaRead(const Connection& connection);

// SQLite's verdict on the connection's database: its schema read first, then
// quick_check of every page and integrity_check of each user table with its
// indexes and of the views' counter. A table the file lacks is no finding here.
// Runs on the caller's thread; it reads the whole file.
DatabaseVerdict verdict(const Connection& connection);

// Only a table the file lacks: any other failure to compile is a table of
// another shape or damage, which must not pass for "nothing".
bool lacksTable(const Connection& connection);

// The first column of the first row for one bound text key; no row, NULL and
// empty text give no value.
std::optional<std::string> textForKey(
    const Connection& connection, std::string_view sql, std::string_view key);

// Runs one change and reports whether it completed.
template <class Bind> bool change(const Connection& connection, std::string_view sql, Bind&& bind)
{
    auto statement = connection.tryPrepare(sql);
    if (!statement)
        return false;
    bind(statement);
    return statement.stepDone();
}

} // namespace morvena::sqlite
