#pragma once

// The damages that leave an installed database, or part of it, unreadable to
// SQLite while the user's rows are still in its pages, each made in place on
// the file, and what a new version of the dataset can still read of the rows.

#include "../../AnatomyCoreTests/AnatomyDBTestSupport.h"
#include "AnatomyCore/Database/UserRowsHandover.h"
#include "TemporaryFolder.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvena {

inline void PrintTo(const UserRowsHandover::Counts& counts, std::ostream* out)
{
    *out << counts.notes << " notes, " << counts.bookmarks << " bookmarks, " << counts.views << " views";
}

} // namespace morvena

namespace morvena::test {

using RowCounts = UserRowsHandover::Counts;

// What writeUserRows() leaves: notes over several leaves under an interior page.
inline constexpr RowCounts writtenRows {300, 100, 2};

struct DatabaseDamage {
    std::string name;
    // Damages a file that holds writeUserRows(), and returns how many of those
    // rows SQLite can still read.
    std::function<RowCounts(const std::filesystem::path& database)> apply;
    // The damage lies in the user's tables, not only in the dataset's own.
    bool userRows = true;
};

inline RowCounts userRowCounts(const std::filesystem::path& file)
{
    RawDatabase db(file);
    const auto count
        = [&](const std::string& table) { return std::stoll(db.scalar("SELECT count(*) FROM " + table)); };
    return {count("notes"), count("bookmarks"), count("saved_views")};
}

inline void overwrite(const std::filesystem::path& file, std::size_t at, const std::string& bytes)
{
    auto content = readFile(file);
    if (content.size() < at + bytes.size())
        throw std::runtime_error("too short: " + file.string());
    writeFile(file, content.replace(at, bytes.size(), bytes));
}

// Notes on ids two apart ("n0000", "n0002", …), so that one key can change
// and stay in order; bookmarks, views, and enough structures without geometry
// for their table to span several leaves too.
inline void writeUserRows(const std::filesystem::path& file)
{
    RawDatabase db(file);
    db.exec("BEGIN");
    for (int i = 0; i < writtenRows.notes; ++i) {
        const auto id = std::to_string(10000 + 2 * i).substr(1);
        db.exec(
            "INSERT INTO notes VALUES ('n" + id + "', 'nota numero " + id + "', " + std::to_string(i) + ")");
        if (i < writtenRows.bookmarks)
            db.exec("INSERT INTO bookmarks VALUES ('n" + id + "', 0)");
        if (i < writtenRows.views)
            db.exec("INSERT INTO saved_views(name, payload, created_at) VALUES ('vista', '{}', 0)");
        if (i < 200)
            db.exec("INSERT INTO structures(concept_id, name_en) VALUES ('riempitivo" + id + "', '"
                + std::string(200, 'x') + "')");
    }
    db.exec("COMMIT");
}

struct LeafPage {
    std::size_t offset = 0;
    int cells = 0;
};

// The leaf pages of a table or an index, in the order of their keys.
inline std::vector<LeafPage> leafPages(const std::filesystem::path& file, const std::string& name)
{
    RawDatabase db(file);
    const auto size = std::stoul(db.scalar("PRAGMA page_size"));
    std::vector<LeafPage> leaves;
    for (const auto& row : db.rows("SELECT pageno, ncell FROM dbstat WHERE name = '" + name
             + "' AND pagetype = 'leaf' ORDER BY path")) {
        const auto bar = row.find('|');
        leaves.push_back({(std::stoul(row.substr(0, bar)) - 1) * size, std::stoi(row.substr(bar + 1))});
    }
    return leaves;
}

// Spoils the kind byte of the first page of the table or index `name`: SQLite
// refuses that page, and every byte of the rows stays.
inline void damageFirstPage(const std::filesystem::path& file, const std::string& name)
{
    RawDatabase db(file);
    const auto at = db.scalar("SELECT (rootpage - 1) * (SELECT page_size FROM pragma_page_size) "
                              "FROM sqlite_master WHERE name = '"
        + name + "'");
    overwrite(file, std::stoul(at), std::string(1, '\0')); // stoul throws where `name` is missing
}

inline void zeroPage(const std::filesystem::path& file, const LeafPage& page)
{
    overwrite(file, page.offset, std::string(std::stoul(RawDatabase(file).scalar("PRAGMA page_size")), '\0'));
}

// Damages that SQLite meets only past the schema: in the user's tables, their
// indexes and the views' counter, or in a table of the dataset's own.
inline std::vector<DatabaseDamage> userTableDamages()
{
    constexpr auto notes = writtenRows.notes, bookmarks = writtenRows.bookmarks, views = writtenRows.views;
    return {
        {"notes page",
            [=](const std::filesystem::path& file) {
                damageFirstPage(file, "notes");
                return RowCounts {0, bookmarks, views};
            }},
        {"notes index",
            [=](const std::filesystem::path& file) {
                damageFirstPage(file, "sqlite_autoindex_notes_1");
                return writtenRows;
            }},
        // A leaf whose cell count is one short hides its last row without an error.
        {"notes leaf cell count",
            [=](const std::filesystem::path& file) {
                const auto leaf = leafPages(file, "notes").at(1);
                overwrite(file, leaf.offset + 4, std::string(1, static_cast<char>(leaf.cells - 1)));
                return RowCounts {notes - 1, bookmarks, views};
            }},
        // A cell pointer that repeats the one before it reads one row twice and another never.
        {"notes leaf cell pointer repeated",
            [=](const std::filesystem::path& file) {
                const auto leaf = leafPages(file, "notes").at(1);
                overwrite(file, leaf.offset + 10, readFile(file).substr(leaf.offset + 8, 2));
                return RowCounts {notes - 1, bookmarks, views};
            }},
        // "n0102" becomes "n0103", still between its neighbours: only a comparison of
        // the index with its rows finds it.
        {"notes index key in order",
            [=](const std::filesystem::path& file) {
                const auto leaf = leafPages(file, "sqlite_autoindex_notes_1").front();
                overwrite(file, readFile(file).find("n0102", leaf.offset) + 4, "3");
                return writtenRows;
            }},
        {"one zeroed notes leaf",
            [=](const std::filesystem::path& file) {
                const auto leaf = leafPages(file, "notes").at(2);
                zeroPage(file, leaf);
                return RowCounts {notes - leaf.cells, bookmarks, views};
            }},
        {"views counter page",
            [=](const std::filesystem::path& file) {
                zeroPage(file, leafPages(file, "sqlite_sequence").front());
                return writtenRows;
            }},
        {"zeroed structures page",
            [=](const std::filesystem::path& file) {
                zeroPage(file, leafPages(file, "structures").at(1));
                return writtenRows;
            },
            false},
    };
}

// Damages that keep SQLite from reading the file at all.
inline std::vector<DatabaseDamage> databaseDamages()
{
    const auto nothing = [](const auto& damage) {
        return [damage](const std::filesystem::path& file) {
            damage(file);
            return RowCounts {};
        };
    };
    return {
        {"header", nothing([](const auto& file) { overwrite(file, 0, "non un database!"); })},
        // The page size is a big-endian power of two at byte 16; 3 is none.
        {"page size", nothing([](const auto& file) { overwrite(file, 16, std::string("\0\3", 2)); })},
        {"notes schema", nothing([](const auto& file) {
             const auto at = readFile(file).find("CREATE TABLE notes");
             if (at == std::string::npos)
                 throw std::runtime_error("no notes table in " + file.string());
             overwrite(file, at, "CREATE TABLX notes");
         })},
    };
}

} // namespace morvena::test
