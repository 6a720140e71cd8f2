#pragma once

// The damages that leave an installed database unreadable to SQLite while the
// user's rows are still in its pages, each made in place on the file.

#include "TemporaryFolder.h"

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvena::test {

struct DatabaseDamage {
    std::string name;
    std::function<void(const std::filesystem::path& database)> apply;
};

inline void overwrite(const std::filesystem::path& file, std::size_t at, const std::string& bytes)
{
    auto content = readFile(file);
    if (content.size() < at + bytes.size())
        throw std::runtime_error("too short: " + file.string());
    writeFile(file, content.replace(at, bytes.size(), bytes));
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
