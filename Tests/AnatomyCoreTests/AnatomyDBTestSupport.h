#pragma once

// A second, plain SQLite connection for the database tests: it looks at the
// file the way another program would, and injects faults (triggers, dropped
// tables) that the class under test cannot produce itself.

#include "AnatomyCore/Database/AnatomyDB.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvena {

// Readable failure messages for the database's row types.
inline void PrintTo(const AnatomyDB::SearchHit& hit, std::ostream* out)
{
    *out << "{" << hit.conceptID << ", " << hit.nameEN << ", " << hit.nameIT.value_or("<none>") << ", "
         << rawValue(hit.system) << ", " << (hit.meshIndex ? std::to_string(*hit.meshIndex) : "<none>")
         << "}";
}

inline void PrintTo(const AnatomyDB::RelatedStructure& related, std::ostream* out)
{
    *out << "{" << related.conceptID << ", " << related.name << ", " << rawValue(related.kind) << ", "
         << rawValue(related.source) << ", " << (related.incoming ? "incoming" : "outgoing") << "}";
}

} // namespace morvena

namespace morvena::test {

class RawDatabase {
public:
    explicit RawDatabase(const std::filesystem::path& file)
    {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(db);
            throw std::runtime_error("cannot open " + file.string());
        }
        db_.reset(db);
    }

    void exec(const std::string& sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string message = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(message + " in " + sql);
        }
    }

    // Every row as its columns joined with '|'; NULL reads as "<null>".
    std::vector<std::string> rows(const std::string& sql)
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_.get()) + std::string(" in ") + sql);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
        std::vector<std::string> result;
        while (sqlite3_step(raw) == SQLITE_ROW) {
            std::string row;
            for (int column = 0; column < sqlite3_column_count(raw); ++column) {
                if (column)
                    row += '|';
                const auto* text = sqlite3_column_text(raw, column);
                row += text
                    ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(raw, column))
                    : std::string("<null>");
            }
            result.push_back(row);
        }
        return result;
    }

    std::string scalar(const std::string& sql)
    {
        auto all = rows(sql);
        return all.empty() ? std::string("<none>") : all.front();
    }

    // Copies every row of `table` into the same table of `target`, value by value.
    void copyRows(const std::string& table, RawDatabase& target)
    {
        auto select = prepared(db_.get(), "SELECT * FROM " + table);
        const int columns = sqlite3_column_count(select.get());
        std::string placeholders;
        for (int column = 0; column < columns; ++column)
            placeholders += column ? ", ?" : "?";
        auto insert = prepared(target.db_.get(), "INSERT INTO " + table + " VALUES (" + placeholders + ")");
        while (sqlite3_step(select.get()) == SQLITE_ROW) {
            for (int column = 0; column < columns; ++column)
                sqlite3_bind_value(insert.get(), column + 1, sqlite3_column_value(select.get(), column));
            if (sqlite3_step(insert.get()) != SQLITE_DONE)
                throw std::runtime_error(sqlite3_errmsg(target.db_.get()));
            sqlite3_reset(insert.get());
        }
    }

private:
    using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;
    static Statement prepared(sqlite3* db, const std::string& sql)
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db) + std::string(" in ") + sql);
        return {raw, sqlite3_finalize};
    }

    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db_ {nullptr, sqlite3_close_v2};
};

// The database rewritten in UTF-16 with the same schema text and rows: a file
// other SQLite programs may write, and no import does.
inline void rewriteInUTF16(const std::filesystem::path& file)
{
    const std::filesystem::path rewritten = file.string() + ".utf16";
    {
        RawDatabase source(file);
        { // RawDatabase opens existing files only
            sqlite3* created = nullptr;
            sqlite3_open(rewritten.c_str(), &created);
            sqlite3_close_v2(created);
        }
        RawDatabase target(rewritten);
        target.exec("PRAGMA encoding = 'UTF-16le'");
        // The full-text table makes its own shadow tables, and SQLite its counters.
        const std::string ownObjects
            = "FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' AND name NOT LIKE 'structures_fts_%'";
        for (const auto& sql :
            source.rows("SELECT sql " + ownObjects + " AND sql IS NOT NULL ORDER BY rowid"))
            target.exec(sql);
        for (const auto& table : source.rows("SELECT name " + ownObjects + " AND type = 'table'"))
            source.copyRows(table, target);
        source.copyRows("sqlite_sequence", target);
    }
    for (const char* side : {"-wal", "-shm"})
        std::filesystem::remove(file.string() + side);
    std::filesystem::rename(rewritten, file);
}

inline std::string integrityCheck(const std::filesystem::path& file)
{
    return RawDatabase(file).scalar("PRAGMA integrity_check");
}

// A structure with only the fields a test cares about.
inline AnatomyStructure makeStructure(std::string conceptID, std::string nameEN,
    AnatomySystem system = AnatomySystem::skeletal, std::optional<std::int64_t> meshIndex = 0)
{
    AnatomyStructure structure;
    structure.conceptID = std::move(conceptID);
    structure.nameEN = std::move(nameEN);
    structure.system = system;
    structure.meshIndex = meshIndex;
    structure.datasetName = "Test";
    return structure;
}

// A fresh database file with the schema, in a folder of its own.
struct SchemaDatabase {
    SchemaDatabase()
        : folder("anatomy-db")
        , file(folder / "dataset" / "anatomy.sqlite")
        , db(std::make_unique<AnatomyDB>(file))
    {
        db->createSchema();
    }
    void reopen(bool readOnly = false)
    {
        db.reset();
        db = std::make_unique<AnatomyDB>(file, readOnly);
    }

    TemporaryFolder folder;
    std::filesystem::path file;
    std::unique_ptr<AnatomyDB> db;
};

} // namespace morvena::test
