#include "AnatomyCore/Database/Internal/SQLite.h"

#include "AnatomyCore/Database/DBError.h"

#include <limits>

namespace morvena::sqlite {

namespace {

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

constexpr std::size_t statementExcerptLength = 160;

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

Connection::Connection(const std::filesystem::path& file, int flags)
{
    const int result = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        // The destructor does not run for a constructor that throws.
        std::string message = db_ ? errorMessage() : std::string("open failed");
        sqlite3_close_v2(std::exchange(db_, nullptr));
        throw DBError::open(std::move(message));
    }
}

void Connection::execute(const std::string& sql)
{
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DBError::sql(failureMessage(sql));
}

bool Connection::tryExecute(const std::string& sql) noexcept
{
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement Connection::prepare(std::string_view sql) const
{
    Statement statement = tryPrepare(sql);
    if (!statement)
        throw DBError::sql(failureMessage(sql));
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

std::string Connection::failureMessage(std::string_view sql) const
{
    std::string message = errorMessage();
    message += " — ";
    message += leadingCharacters(sql, statementExcerptLength);
    return message;
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
