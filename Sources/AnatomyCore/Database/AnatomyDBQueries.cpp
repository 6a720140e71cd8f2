// The read side of the anatomy database. Queries never throw: a statement that
// cannot be compiled gives an empty result, and a step that fails ends the
// reading with the rows read so far.
#include "AnatomyCore/Database/AnatomyDB.h"

#include "AnatomyCore/Database/Internal/AnatomySchema.h"
#include "AnatomyCore/Database/Internal/SQLite.h"
#include "AnatomyCore/Model/Laterality.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>
#include <limits>
#include <string>

namespace morvena {

namespace {

constexpr std::string_view structureColumns
    = "SELECT concept_id, mesh_index, name_en, name_la, name_it, synonyms, system, region, laterality,\n"
      "description, function, origin, insertion, innervation, blood_supply, clinical,\n"
      "content_source, dataset FROM structures";
constexpr std::string_view searchColumns
    = "SELECT concept_id, name_en, name_it, system, mesh_index FROM structures";
constexpr std::string_view taxonomyColumns
    = "SELECT c.concept_id, c.name_en, c.name_it, c.has_mesh, c.mesh_descendants, c.system\n";

constexpr std::string_view fullTextSearchSQL
    = "SELECT s.concept_id, s.name_en, s.name_it, s.system, s.mesh_index\n"
      "FROM structures_fts f JOIN structures s ON s.concept_id = f.concept_id\n"
      "WHERE structures_fts MATCH ?1\n"
      "ORDER BY bm25(structures_fts), length(s.name_en) LIMIT ?2";
constexpr std::string_view likeSearchSQL
    = "\nWHERE name_en LIKE ?1 OR name_it LIKE ?1 OR name_la LIKE ?1 OR synonyms "
      "LIKE ?1 OR concept_id LIKE ?1\nORDER BY length(name_en) LIMIT ?2";
constexpr std::string_view childrenSQL
    = "FROM taxonomy t JOIN concepts c ON c.concept_id = t.child\n"
      "WHERE t.parent = ?1 AND t.kind = ?2 AND (c.has_mesh = 1 OR c.mesh_descendants > 0)\n"
      "ORDER BY c.name_en";
constexpr std::string_view conceptStructuresSQL
    = "SELECT s.concept_id, s.name_en, s.name_it, s.system, s.mesh_index\n"
      "FROM concept_meshes cm JOIN structures s ON s.mesh_index = cm.mesh_index\n"
      "WHERE cm.concept_id = ?1 ORDER BY s.name_en LIMIT ?2";
constexpr std::string_view rootsSQL
    = "FROM concepts c\n"
      "WHERE EXISTS (SELECT 1 FROM taxonomy t WHERE t.parent = c.concept_id AND t.kind = ?1)\n"
      "  AND NOT EXISTS (SELECT 1 FROM taxonomy t2 WHERE t2.child = c.concept_id AND t2.kind = ?1)\n"
      "ORDER BY c.mesh_descendants DESC";
// The other end's name: its structure's, else its concept's (most relations of a
// release lead to concepts without a mesh of their own, "left thigh" and the like).
constexpr std::string_view relatedNameSQL
    = "COALESCE(NULLIF(s.name_it, ''), NULLIF(s.name_en, ''), NULLIF(c.name_it, ''), NULLIF(c.name_en, ''))";
constexpr std::string_view relatedOutgoingSQL
    = ", r.kind, r.source, 0 FROM relations r\n"
      "    LEFT JOIN structures s ON s.concept_id = r.dst\n"
      "    LEFT JOIN concepts c ON c.concept_id = r.dst WHERE r.src = ?1\n"
      "UNION ALL\n";
constexpr std::string_view relatedIncomingSQL
    = ", r.kind, r.source, 1 FROM relations r\n"
      "    LEFT JOIN structures s ON s.concept_id = r.src\n"
      "    LEFT JOIN concepts c ON c.concept_id = r.src WHERE r.dst = ?1\n"
      "LIMIT 200";
constexpr std::string_view parentSQL = "FROM taxonomy t JOIN concepts c ON c.concept_id = t.parent\n"
                                       "WHERE t.child = ?1 AND t.kind = ?2 LIMIT 1";

std::string concatenated(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (std::string_view piece : pieces)
        text += piece;
    return text;
}

// Raw values of the classification are 32-bit unsigned; anything outside a
// table, negative numbers included, reads as the neutral case.
template <class Enum>
Enum enumColumn(
    const sqlite::Statement& row, int column, std::optional<Enum> (*fromRaw)(std::uint32_t), Enum neutral)
{
    const std::int64_t raw = row.int64(column);
    if (raw < 0 || raw > std::numeric_limits<std::uint32_t>::max())
        return neutral;
    return fromRaw(static_cast<std::uint32_t>(raw)).value_or(neutral);
}

AnatomySystem systemColumn(const sqlite::Statement& row, int column)
{
    return enumColumn(row, column, &anatomySystem, AnatomySystem::unclassified);
}

BodyRegion regionColumn(const sqlite::Statement& row, int column)
{
    return enumColumn(row, column, &bodyRegion, BodyRegion::unknown);
}

Laterality lateralityColumn(const sqlite::Statement& row, int column)
{
    return enumColumn(row, column, &laterality, Laterality::unpaired);
}

FieldSource sourceColumn(const sqlite::Statement& row, int column)
{
    return row.text(column) == "curated" ? FieldSource::curated : FieldSource::dataset;
}

std::vector<std::string> synonymsColumn(const sqlite::Statement& row, int column)
{
    std::vector<std::string> synonyms;
    const auto text = row.text(column);
    if (!text)
        return synonyms;
    constexpr std::string_view separator = " | ";
    std::string_view rest = *text;
    while (true) {
        const auto end = rest.find(separator);
        if (const auto piece = rest.substr(0, end); !piece.empty())
            synonyms.emplace_back(piece);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + separator.size());
    }
    return synonyms;
}

AnatomyStructure structureRow(const sqlite::Statement& row)
{
    return AnatomyStructure {
        .conceptID = row.requiredText(0),
        .meshIndex = row.optionalInt64(1),
        .nameEN = row.requiredText(2),
        .nameLA = row.text(3),
        .nameIT = row.text(4),
        .synonyms = synonymsColumn(row, 5),
        .system = systemColumn(row, 6),
        .region = regionColumn(row, 7),
        .laterality = lateralityColumn(row, 8),
        .descriptionText = row.text(9),
        .function = row.text(10),
        .origin = row.text(11),
        .insertion = row.text(12),
        .innervation = row.text(13),
        .bloodSupply = row.text(14),
        .clinicalNotes = row.text(15),
        .contentSource = sourceColumn(row, 16),
        .datasetName = row.requiredText(17),
    };
}

AnatomyDB::SearchHit searchRow(const sqlite::Statement& row)
{
    return AnatomyDB::SearchHit {
        .conceptID = row.requiredText(0),
        .nameEN = row.requiredText(1),
        .nameIT = row.text(2),
        .system = systemColumn(row, 3),
        .meshIndex = row.optionalInt64(4),
    };
}

TaxonomyNode taxonomyRow(const sqlite::Statement& row)
{
    return TaxonomyNode {
        .id = row.requiredText(0),
        .name = row.requiredText(1),
        .nameIT = row.text(2),
        .hasMesh = row.int64(3) == 1,
        .meshDescendants = row.int64(4),
        .system = systemColumn(row, 5),
    };
}

std::int64_t integerRow(const sqlite::Statement& row)
{
    return row.int64(0);
}

// 0 when there is no row or the count is NULL.
std::int64_t singleCount(const sqlite::Connection& connection, std::string_view sql)
{
    const auto counts = sqlite::readRows(connection, sql, integerRow);
    return counts.empty() ? 0 : counts.front();
}

// Every word must start some token of the body; quoting keeps FTS5 syntax in
// the user's text inert.
std::string prefixMatchExpression(const std::vector<std::string_view>& words)
{
    std::string expression;
    for (std::string_view word : words) {
        if (!expression.empty())
            expression += " AND ";
        expression += '"';
        expression += word;
        expression += "\"*";
    }
    return expression;
}

// Why the schema could not be read, in the user's words.
std::string readFailure(const sqlite::Connection& connection)
{
    if (DBError::isDamage(sqlite3_errcode(connection.get())))
        return std::string(DBError::damagedReason);
    return connection.failureReason();
}

} // namespace

std::optional<std::string> AnatomyDB::meta(std::string_view key) const
{
    return sqlite::textForKey(*handle_, "SELECT value FROM meta WHERE key=?1", key);
}

std::optional<AnatomyStructure> AnatomyDB::structure(std::string_view conceptID) const
{
    auto rows = sqlite::readRows(
        *handle_, concatenated({structureColumns, " WHERE concept_id=?1"}),
        [&](sqlite::Statement& statement) { statement.bindText(1, conceptID); }, structureRow);
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

std::vector<AnatomyStructure> AnatomyDB::allStructures() const
{
    return sqlite::readRows(*handle_, concatenated({structureColumns, " ORDER BY name_en"}), structureRow);
}

std::vector<std::int64_t> AnatomyDB::meshIndicesLike(std::span<const std::string> patterns) const
{
    if (patterns.empty())
        return {};
    std::string sql = "SELECT mesh_index FROM structures WHERE mesh_index IS NOT NULL AND (";
    for (std::size_t i = 0; i < patterns.size(); ++i)
        sql += i == 0 ? "name_en LIKE ?" : " OR name_en LIKE ?";
    sql += ")";
    return sqlite::readRows(
        *handle_, sql,
        [&](sqlite::Statement& statement) {
            for (std::size_t i = 0; i < patterns.size(); ++i)
                statement.bindText(static_cast<int>(i + 1), patterns[i]);
        },
        integerRow);
}

std::vector<AnatomyDB::SearchHit> AnatomyDB::search(std::string_view text, std::int64_t limit) const
{
    const std::string_view trimmed = UnicodeText::trimmingBlanksAndLineBreaks(text);
    if (trimmed.empty())
        return {};
    std::vector<SearchHit> hits;
    if (hasFTS_) {
        if (const auto words = UnicodeText::alphanumericWords(trimmed); !words.empty()) {
            const std::string expression = prefixMatchExpression(words);
            hits = sqlite::readRows(
                *handle_, fullTextSearchSQL,
                [&](sqlite::Statement& statement) {
                    statement.bindText(1, expression);
                    statement.bindInt64(2, limit);
                },
                searchRow);
        }
    }
    if (!hits.empty())
        return hits;
    // Names typed in part, concept IDs and punctuation: the user's own % and _
    // stay wildcards.
    const std::string pattern = concatenated({"%", trimmed, "%"});
    return sqlite::readRows(
        *handle_, concatenated({searchColumns, likeSearchSQL}),
        [&](sqlite::Statement& statement) {
            statement.bindText(1, pattern);
            statement.bindInt64(2, limit);
        },
        searchRow);
}

std::vector<TaxonomyNode> AnatomyDB::children(std::string_view parent, std::string_view kind) const
{
    if (!childrenQuery_ || !*childrenQuery_)
        childrenQuery_ = std::make_unique<sqlite::Statement>(
            handle_->tryPrepare(concatenated({taxonomyColumns, childrenSQL})));
    return sqlite::readRows(
        *childrenQuery_,
        [&](sqlite::Statement& statement) {
            statement.bindText(1, parent);
            statement.bindText(2, kind);
        },
        taxonomyRow);
}

std::vector<std::int64_t> AnatomyDB::meshIndicesOfConcept(std::string_view conceptID) const
{
    return sqlite::readRows(
        *handle_, "SELECT mesh_index FROM concept_meshes WHERE concept_id=?1",
        [&](sqlite::Statement& statement) { statement.bindText(1, conceptID); }, integerRow);
}

std::vector<AnatomyDB::SearchHit> AnatomyDB::structuresOfConcept(
    std::string_view conceptID, std::int64_t limit) const
{
    return sqlite::readRows(
        *handle_, conceptStructuresSQL,
        [&](sqlite::Statement& statement) {
            statement.bindText(1, conceptID);
            statement.bindInt64(2, limit);
        },
        searchRow);
}

std::vector<TaxonomyNode> AnatomyDB::roots(std::string_view kind) const
{
    return sqlite::readRows(
        *handle_, concatenated({taxonomyColumns, rootsSQL}),
        [&](sqlite::Statement& statement) { statement.bindText(1, kind); }, taxonomyRow);
}

std::vector<AnatomyDB::SearchHit> AnatomyDB::structures(
    AnatomySystem system, std::optional<BodyRegion> region) const
{
    std::string sql = concatenated({searchColumns, "\nWHERE system = ?1 AND mesh_index IS NOT NULL"});
    if (region)
        sql += " AND region = ?2";
    sql += " ORDER BY name_en";
    return sqlite::readRows(
        *handle_, sql,
        [&](sqlite::Statement& statement) {
            statement.bindInt64(1, rawValue(system));
            if (region)
                statement.bindInt64(2, rawValue(*region));
        },
        searchRow);
}

std::vector<AnatomyDB::RelatedStructure> AnatomyDB::related(std::string_view conceptID) const
{
    const std::string sql = concatenated({"SELECT r.dst, ", relatedNameSQL, relatedOutgoingSQL,
        "SELECT r.src, ", relatedNameSQL, relatedIncomingSQL});
    auto rows = sqlite::readRows(
        *handle_, sql, [&](sqlite::Statement& statement) { statement.bindText(1, conceptID); },
        [](const sqlite::Statement& row) -> std::optional<RelatedStructure> {
            auto other = row.text(0);
            const auto kind = relationKind(row.text(2).value_or(std::string()));
            if (!other || !kind)
                return std::nullopt;
            // A concept known to neither table is shown by its ID.
            std::string name = row.text(1).value_or(*other);
            return RelatedStructure {
                std::move(*other), std::move(name), *kind, sourceColumn(row, 3), row.int64(4) == 1};
        });
    std::vector<RelatedStructure> related;
    related.reserve(rows.size());
    for (auto& row : rows)
        if (row)
            related.push_back(std::move(*row));
    return related;
}

std::vector<TaxonomyNode> AnatomyDB::ancestry(
    std::string_view conceptID, std::string_view kind, int maxDepth) const
{
    std::vector<TaxonomyNode> ancestors;
    const std::string sql = concatenated({taxonomyColumns, parentSQL});
    std::string child(conceptID);
    // Bounded by maxDepth, so a cycle in the data cannot loop forever.
    for (int depth = 0; depth < maxDepth; ++depth) {
        auto parents = sqlite::readRows(
            *handle_, sql,
            [&](sqlite::Statement& statement) {
                statement.bindText(1, child);
                statement.bindText(2, kind);
            },
            taxonomyRow);
        if (parents.empty() || parents.front().id.empty())
            break;
        child = parents.front().id;
        ancestors.push_back(std::move(parents.front()));
    }
    return ancestors;
}

std::map<AnatomySystem, std::int64_t> AnatomyDB::countsBySystem(bool) const
{
    std::map<AnatomySystem, std::int64_t> counts;
    const auto rows = sqlite::readRows(*handle_,
        "SELECT system, COUNT(*) FROM structures WHERE mesh_index IS NOT NULL GROUP BY system",
        [](const sqlite::Statement& row) { return std::pair(systemColumn(row, 0), row.int64(1)); });
    // Several stored values (NULL, out of range) read as one system: add them up.
    for (const auto& [system, count] : rows)
        counts[system] += count;
    return counts;
}

std::int64_t AnatomyDB::curatedCount() const
{
    return singleCount(*handle_, "SELECT COUNT(*) FROM structures WHERE content_source='curated'");
}

std::int64_t AnatomyDB::italianNameCount() const
{
    return singleCount(
        *handle_, "SELECT COUNT(*) FROM structures WHERE name_it IS NOT NULL AND mesh_index IS NOT NULL");
}

std::optional<std::string> AnatomyDB::schemaProblem() const
{
    // SQLite opens any file lazily: a file that is no database fails here.
    auto statement = handle_->tryPrepare("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1");
    if (!statement)
        return readFailure(*handle_);
    std::string missing;
    std::array<std::string_view, userTables.size() + 1> required {"structures"};
    std::copy(userTables.begin(), userTables.end(), required.begin() + 1);
    for (auto table : required) {
        statement.bindText(1, table);
        const int result = statement.step();
        statement.reset();
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            return readFailure(*handle_);
        if (result == SQLITE_DONE)
            missing += (missing.empty() ? "" : ", ") + std::string(table);
    }
    if (!missing.empty())
        return "tabelle assenti: " + missing;
    return AnatomySchema::foreignObject(*handle_);
}

DatabaseVerdict AnatomyDB::verdict() const
{
    return sqlite::verdict(*handle_);
}

std::string AnatomyDB::textEncoding() const
{
    auto names = sqlite::readRows(
        *handle_, "PRAGMA encoding", [](const sqlite::Statement& row) { return row.requiredText(0); });
    return names.empty() ? std::string() : std::move(names.front());
}

std::int64_t AnatomyDB::structuresOutsidePack(std::int64_t packStructures) const
{
    const auto counts = sqlite::readRows(
        *handle_,
        "SELECT COUNT(*) FROM structures WHERE mesh_index IS NOT NULL\n"
        "AND (typeof(mesh_index) != 'integer' OR mesh_index < 0 OR mesh_index >= ?1)",
        [&](sqlite::Statement& statement) { statement.bindInt64(1, packStructures); }, integerRow);
    return counts.empty() ? 0 : counts.front();
}

} // namespace morvena
