#pragma once

// The schema of every anatomy database, private to AnatomyCore: the statements
// that make it, and the comparison of a database from elsewhere (a published
// archive) with what they make.

#include <optional>
#include <string>

namespace morvena {

namespace sqlite {
class Connection;
} // namespace sqlite

namespace AnatomySchema {

// Every table and index. Each statement may run on an existing file, so the
// text can be executed again on a dataset that already has it.
inline constexpr const char* tablesSQL = R"SQL(
CREATE TABLE IF NOT EXISTS meta (
    key TEXT PRIMARY KEY,
    value TEXT
);
CREATE TABLE IF NOT EXISTS structures (
    concept_id TEXT PRIMARY KEY,
    mesh_index INTEGER,
    name_en TEXT NOT NULL,
    name_la TEXT,
    name_it TEXT,
    synonyms TEXT,
    system INTEGER NOT NULL DEFAULT 0,
    region INTEGER NOT NULL DEFAULT 0,
    laterality INTEGER NOT NULL DEFAULT 0,
    description TEXT,
    function TEXT,
    origin TEXT,
    insertion TEXT,
    innervation TEXT,
    blood_supply TEXT,
    clinical TEXT,
    content_source TEXT NOT NULL DEFAULT 'dataset',
    dataset TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS idx_struct_system ON structures(system);
CREATE INDEX IF NOT EXISTS idx_struct_mesh ON structures(mesh_index);
CREATE INDEX IF NOT EXISTS idx_struct_name_en ON structures(name_en);
CREATE TABLE IF NOT EXISTS taxonomy (
    parent TEXT NOT NULL,
    child TEXT NOT NULL,
    kind TEXT NOT NULL,
    PRIMARY KEY(parent, child, kind)
);
CREATE INDEX IF NOT EXISTS idx_tax_child ON taxonomy(child, kind);
CREATE TABLE IF NOT EXISTS concepts (
    concept_id TEXT PRIMARY KEY,
    name_en TEXT NOT NULL,
    name_it TEXT,
    system INTEGER NOT NULL DEFAULT 0,
    mesh_descendants INTEGER NOT NULL DEFAULT 0,
    has_mesh INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS concept_meshes (
    concept_id TEXT NOT NULL,
    mesh_index INTEGER NOT NULL,
    PRIMARY KEY(concept_id, mesh_index)
);
CREATE TABLE IF NOT EXISTS relations (
    src TEXT NOT NULL,
    dst TEXT NOT NULL,
    kind TEXT NOT NULL,
    source TEXT NOT NULL,
    PRIMARY KEY(src, dst, kind)
);
CREATE INDEX IF NOT EXISTS idx_rel_dst ON relations(dst);
CREATE TABLE IF NOT EXISTS notes (
    concept_id TEXT PRIMARY KEY,
    body TEXT NOT NULL,
    updated_at REAL NOT NULL
);
CREATE TABLE IF NOT EXISTS bookmarks (
    concept_id TEXT PRIMARY KEY,
    created_at REAL NOT NULL
);
CREATE TABLE IF NOT EXISTS saved_views (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL,
    payload TEXT NOT NULL,
    created_at REAL NOT NULL
);
)SQL";

// The full-text table, where SQLite has FTS5. The tokenizer folds accents
// away, so "omero" finds "òmero" and the reverse.
inline constexpr const char* fullTextSQL = "CREATE VIRTUAL TABLE IF NOT EXISTS structures_fts USING fts5(\n"
                                           "    concept_id UNINDEXED, body,\n"
                                           "    tokenize='unicode61 remove_diacritics 2'\n"
                                           ");";

// The first object of the database that these statements do not make as they
// make it: a trigger, a view, a table or an index of its own, or one of theirs
// with other columns or constraints; said in Italian, starting in lower case.
// Nothing when every object is one of theirs, even with some of theirs missing.
// SQL kept in a database runs when its tables change: a trigger or a CHECK
// brought by an archive would run on the user's rows.
std::optional<std::string> foreignObject(const sqlite::Connection& connection);

} // namespace AnatomySchema

} // namespace morvena
