#include "AnatomyCore/Database/Internal/AnatomySchema.h"

#include "AnatomyCore/Database/Internal/SQLite.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>
#include <vector>

namespace morvena::AnatomySchema {

namespace {

// What an object's name may show of itself in a message: printable, and short.
constexpr std::size_t shownNameLength = 40;

// One row of a database's catalogue (sqlite_master): a table, an index, a view
// or a trigger, with the statement that made it (none for the indexes SQLite
// makes for a table's keys).
struct SchemaObject {
    std::string type;
    std::string name;
    std::string table;
    std::optional<std::string> sql;
    bool operator==(const SchemaObject&) const = default;
};

// Every object of the database, or nothing when its catalogue cannot be read
// to the end: a list cut short could leave out the very object that matters.
std::optional<std::vector<SchemaObject>> objectsOf(const sqlite::Connection& connection)
{
    auto statement = connection.tryPrepare("SELECT type, name, tbl_name, sql FROM main.sqlite_master");
    if (!statement)
        return std::nullopt;
    std::vector<SchemaObject> objects;
    int result = SQLITE_ROW;
    while ((result = statement.step()) == SQLITE_ROW)
        objects.push_back({statement.requiredText(0), statement.requiredText(1), statement.requiredText(2),
            statement.text(3)});
    if (result != SQLITE_DONE)
        return std::nullopt;
    return objects;
}

// What the statements make, read back from a database in memory: SQLite keeps
// each statement in its own form, and a file made by them holds the same.
const std::vector<SchemaObject>& writtenObjects()
{
    static const std::vector<SchemaObject> objects = [] {
        sqlite::Connection memory(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        memory.execute(tablesSQL);
        memory.tryExecute(fullTextSQL); // as createSchema: only where SQLite has FTS5
        auto written = objectsOf(memory);
        if (!written)
            throw memory.failure(DBError::Kind::sql);
        return std::move(*written);
    }();
    return objects;
}

std::string described(const SchemaObject& object)
{
    std::string name = UnicodeText::replacingControls(UnicodeText::repairedUTF8(object.name), "?");
    std::string shown = "«" + std::string(UnicodeText::leadingCharacters(name, shownNameLength)) + "»";
    if (object.type == "trigger")
        return "il trigger " + shown;
    if (object.type == "view")
        return "la vista " + shown;
    if (object.type == "index")
        return "l'indice " + shown;
    return "la tabella " + shown;
}

} // namespace

std::optional<std::string> foreignObject(const sqlite::Connection& connection)
{
    auto objects = objectsOf(connection);
    if (!objects)
        return "l'elenco delle sue tabelle non è leggibile: " + connection.failureReason();
    const auto& written = writtenObjects();
    for (const auto& object : *objects) {
        auto same = std::ranges::find_if(written, [&](const SchemaObject& known) {
            return known.type == object.type && known.name == object.name;
        });
        if (same == written.end())
            return "contiene " + described(object) + ", che lo schema anatomico non prevede";
        if (*same != object)
            return described(object) + " ha colonne o vincoli diversi da quelli dello schema anatomico";
    }
    return std::nullopt;
}

} // namespace morvena::AnatomySchema
