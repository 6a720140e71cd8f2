#pragma once

#include "GLModel.h"

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace morvena::test {

inline std::filesystem::path databaseFile(const GLModel& fixture, const TestDataset& dataset)
{
    return dataset.folder(fixture.sandbox.dataHome) / "anatomy.sqlite";
}

// Drops a table through a connection of its own, behind the model's back: the
// model's next write to it fails as a damaged or foreign file would make it fail.
inline void dropTable(const std::filesystem::path& database, const std::string& table)
{
    sqlite3* connection = nullptr;
    const bool opened
        = sqlite3_open_v2(database.c_str(), &connection, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const bool dropped = opened
        && sqlite3_exec(connection, ("DROP TABLE " + table).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(connection);
    if (!dropped)
        throw std::runtime_error("cannot drop " + table + " in " + database.string());
}

} // namespace morvena::test
