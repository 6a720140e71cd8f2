#pragma once

// The damages that leave an installed database, or its user tables, unreadable
// to SQLite while the user's rows are still in its pages, each made in place on
// the file.

#include "TemporaryFolder.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvena::test {

struct DatabaseDamage {
    std::string name;
    std::function<void(const std::filesystem::path& database)> apply;
    // Only an index is damaged: a full scan still reads every row.
    bool rowsReadable = false;
};

inline void overwrite(const std::filesystem::path& file, std::size_t at, const std::string& bytes)
{
    auto content = readFile(file);
    if (content.size() < at + bytes.size())
        throw std::runtime_error("too short: " + file.string());
    writeFile(file, content.replace(at, bytes.size(), bytes));
}

// Spoils the kind byte of the first page of the table or index `name`: SQLite
// refuses that page, and every byte of the rows stays.
inline void damageFirstPage(const std::filesystem::path& file, const std::string& name)
{
    const auto sql = "SELECT (rootpage - 1) * (SELECT page_size FROM pragma_page_size) FROM sqlite_master";
    std::string at;
    sqlite3* connection = nullptr;
    sqlite3_open(file.c_str(), &connection);
    sqlite3_exec(
        connection, (sql + std::string(" WHERE name = '") + name + "'").c_str(),
        [](void* offset, int, char** values, char**) {
            *static_cast<std::string*>(offset) = values[0];
            return 0;
        },
        &at, nullptr);
    sqlite3_close(connection);
    overwrite(file, std::stoul(at), std::string(1, '\0')); // stoul throws where `name` is missing
}

// Damages that SQLite meets only in the user's tables, after reading the schema.
inline std::vector<DatabaseDamage> userTableDamages()
{
    return {
        {"notes page", [](const auto& file) { damageFirstPage(file, "notes"); }},
        {"notes index", [](const auto& file) { damageFirstPage(file, "sqlite_autoindex_notes_1"); }, true},
    };
}

inline std::vector<DatabaseDamage> databaseDamages()
{
    return {
        {"header", [](const auto& file) { overwrite(file, 0, "non un database!"); }},
        // The page size is a big-endian power of two at byte 16; 3 is none.
        {"page size", [](const auto& file) { overwrite(file, 16, std::string("\0\3", 2)); }},
        {"notes schema",
            [](const auto& file) {
                const auto at = readFile(file).find("CREATE TABLE notes");
                if (at == std::string::npos)
                    throw std::runtime_error("no notes table in " + file.string());
                overwrite(file, at, "CREATE TABLX notes");
            }},
    };
}

} // namespace morvena::test
