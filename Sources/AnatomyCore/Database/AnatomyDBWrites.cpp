// The bulk writes of an import. Each compiles its statement once and reuses it
// for every element; the importer wraps them all in one transaction.
#include "AnatomyCore/Database/AnatomyDB.h"

#include "AnatomyCore/Database/Internal/SQLite.h"

#include <string>
#include <unordered_set>

namespace morvena {

namespace {

constexpr std::string_view insertStructureSQL
    = "INSERT OR REPLACE INTO structures\n"
      "(concept_id, mesh_index, name_en, name_la, name_it, synonyms, system, region, laterality,\n"
      " description, function, origin, insertion, innervation, blood_supply, clinical,\n"
      " content_source, dataset)\n"
      "VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18)";
constexpr std::string_view insertFullTextSQL = "INSERT INTO structures_fts(concept_id, body) VALUES (?1, ?2)";
constexpr std::string_view insertConceptSQL
    = "INSERT OR REPLACE INTO concepts(concept_id, name_en, name_it, system, mesh_descendants, has_mesh)\n"
      "VALUES (?1,?2,?3,?4,?5,?6)";
constexpr std::string_view insertConceptMeshSQL
    = "INSERT OR IGNORE INTO concept_meshes(concept_id, mesh_index) VALUES (?1,?2)";
constexpr std::string_view insertTaxonomySQL
    = "INSERT OR IGNORE INTO taxonomy(parent, child, kind) VALUES (?1,?2,?3)";
constexpr std::string_view insertRelationSQL
    = "INSERT OR IGNORE INTO relations(src, dst, kind, source) VALUES (?1,?2,?3,?4)";
constexpr std::string_view setMetaSQL = "INSERT OR REPLACE INTO meta(key, value) VALUES (?1, ?2)";

std::string_view orEmpty(const std::optional<std::string>& text)
{
    return text ? std::string_view(*text) : std::string_view();
}

std::string joined(const std::vector<std::string>& pieces, std::string_view separator)
{
    std::string text;
    for (const auto& piece : pieces) {
        if (&piece != &pieces.front())
            text += separator;
        text += piece;
    }
    return text;
}

// The searchable text of a structure: its names, synonyms, system and region
// in Italian, its concept ID, function and description.
std::string fullTextBody(const AnatomyStructure& structure)
{
    const std::string synonyms = joined(structure.synonyms, " ");
    const std::string_view elements[] = {
        structure.nameEN,
        orEmpty(structure.nameIT),
        orEmpty(structure.nameLA),
        synonyms,
        italianName(structure.system),
        italianName(structure.region),
        structure.conceptID,
        orEmpty(structure.function),
        orEmpty(structure.descriptionText),
    };
    std::string body;
    for (std::string_view element : elements) {
        if (element.empty())
            continue;
        if (!body.empty())
            body += " · ";
        body += element;
    }
    return body;
}

void bindStructure(sqlite::Statement& statement, const AnatomyStructure& structure)
{
    statement.bindText(1, structure.conceptID);
    if (structure.meshIndex)
        statement.bindInt64(2, *structure.meshIndex);
    else
        statement.bindNull(2);
    statement.bindText(3, structure.nameEN);
    statement.bindOptionalText(4, structure.nameLA);
    statement.bindOptionalText(5, structure.nameIT);
    if (structure.synonyms.empty())
        statement.bindNull(6);
    else
        statement.bindText(6, joined(structure.synonyms, " | "));
    statement.bindInt64(7, rawValue(structure.system));
    statement.bindInt64(8, rawValue(structure.region));
    statement.bindInt64(9, rawValue(structure.laterality));
    statement.bindOptionalText(10, structure.descriptionText);
    statement.bindOptionalText(11, structure.function);
    statement.bindOptionalText(12, structure.origin);
    statement.bindOptionalText(13, structure.insertion);
    statement.bindOptionalText(14, structure.innervation);
    statement.bindOptionalText(15, structure.bloodSupply);
    statement.bindOptionalText(16, structure.clinicalNotes);
    statement.bindText(17, rawValue(structure.contentSource));
    statement.bindText(18, structure.datasetName);
}

// Resets, binds and steps one element; a step that does not complete stops the
// list with SQLite's message.
template <class Element, class Bind>
void writeOne(
    const sqlite::Connection& connection, sqlite::Statement& statement, const Element& element, Bind&& bind)
{
    statement.reset();
    bind(statement, element);
    if (!statement.stepDone())
        throw connection.failure(DBError::Kind::sql);
}

template <class Element, class Bind>
void writeEach(const sqlite::Connection& connection, std::string_view sql, std::span<const Element> elements,
    Bind&& bind)
{
    auto statement = connection.prepare(sql);
    for (const Element& element : elements)
        writeOne(connection, statement, element, bind);
}

} // namespace

void AnatomyDB::insert(std::span<const AnatomyStructure> structures)
{
    auto structureStatement = handle_->prepare(insertStructureSQL);
    sqlite::Statement fullTextStatement;
    if (hasFTS_)
        fullTextStatement = handle_->prepare(insertFullTextSQL);
    // A concept written twice keeps one full-text row: its structure row is
    // replaced, but the full-text table has no key to replace by.
    std::unordered_set<std::string_view> indexed;
    for (const AnatomyStructure& structure : structures) {
        writeOne(*handle_, structureStatement, structure, bindStructure);
        if (!fullTextStatement || !indexed.insert(structure.conceptID).second)
            continue;
        writeOne(*handle_, fullTextStatement, structure, [](sqlite::Statement& statement, const auto& s) {
            statement.bindText(1, s.conceptID);
            statement.bindText(2, fullTextBody(s));
        });
    }
}

void AnatomyDB::insert(std::span<const TaxonomyNode> concepts)
{
    writeEach(
        *handle_, insertConceptSQL, concepts, [](sqlite::Statement& statement, const TaxonomyNode& node) {
            statement.bindText(1, node.id);
            statement.bindText(2, node.name);
            statement.bindOptionalText(3, node.nameIT);
            statement.bindInt64(4, rawValue(node.system));
            statement.bindInt64(5, node.meshDescendants);
            statement.bindInt64(6, node.hasMesh ? 1 : 0);
        });
}

void AnatomyDB::insertConceptMeshes(std::span<const ConceptMesh> links)
{
    writeEach(
        *handle_, insertConceptMeshSQL, links, [](sqlite::Statement& statement, const ConceptMesh& link) {
            statement.bindText(1, link.conceptID);
            statement.bindInt64(2, link.meshIndex);
        });
}

void AnatomyDB::insertTaxonomy(std::span<const TaxonomyEdge> edges)
{
    writeEach(*handle_, insertTaxonomySQL, edges, [](sqlite::Statement& statement, const TaxonomyEdge& edge) {
        statement.bindText(1, edge.parent);
        statement.bindText(2, edge.child);
        statement.bindText(3, edge.kind);
    });
}

void AnatomyDB::insert(std::span<const AnatomyRelation> relations)
{
    writeEach(*handle_, insertRelationSQL, relations,
        [](sqlite::Statement& statement, const AnatomyRelation& relation) {
            statement.bindText(1, relation.from);
            statement.bindText(2, relation.to);
            statement.bindText(3, rawValue(relation.kind));
            statement.bindText(4, rawValue(relation.source));
        });
}

void AnatomyDB::setMeta(std::string_view key, std::string_view value)
{
    auto statement = handle_->prepare(setMetaSQL);
    writeOne(*handle_, statement, std::pair(key, value), [](sqlite::Statement& statement, const auto& entry) {
        statement.bindText(1, entry.first);
        statement.bindText(2, entry.second);
    });
}

} // namespace morvena
