#pragma once

#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Database/DatabaseVerdict.h"
#include "AnatomyCore/Model/AnatomyRelation.h"
#include "AnatomyCore/Model/AnatomyStructure.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Model/FieldSource.h"
#include "AnatomyCore/Model/TaxonomyNode.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace morvena {

namespace sqlite {
class Connection;
class Statement;
} // namespace sqlite
class FileIdentity;

// One open connection to a dataset's "anatomy.sqlite": the anatomy written by an
// import, the queries of the viewer and the tool, and the user's notes,
// bookmarks and saved views. A connection belongs to one thread at a time.
//
// Writes of an import throw DBError; queries and the user's rows never throw and
// give empty values when a statement cannot run.
class AnatomyDB {
public:
    // The tables of what the user adds; they belong to the user, never to an
    // import or a published archive.
    static constexpr std::array<std::string_view, 3> userTables = {"notes", "bookmarks", "saved_views"};

    // One row of a structure list.
    struct SearchHit {
        std::string conceptID;
        std::string nameEN;
        std::optional<std::string> nameIT;
        AnatomySystem system = AnatomySystem::unclassified;
        std::optional<std::int64_t> meshIndex;

        const std::string& id() const { return conceptID; }
        bool operator==(const SearchHit&) const = default;
    };

    // One relation seen from a structure.
    struct RelatedStructure {
        std::string conceptID; // the concept at the other end
        std::string name; // its display name
        AnatomyRelation::Kind kind = AnatomyRelation::Kind::partOf;
        FieldSource source = FieldSource::dataset;
        bool incoming = false; // the other concept is the source

        // Not unique: a concept related with one kind in both directions appears twice.
        std::string id() const;
        bool operator==(const RelatedStructure&) const = default;
    };

    // A view the user saved under a name; the payload is the view state's JSON text.
    struct SavedView {
        std::int64_t id = 0;
        std::string name;
        std::string payload;
        std::chrono::system_clock::time_point createdAt;

        bool operator==(const SavedView&) const = default;
    };

    // Arguments of the bulk writes.
    struct ConceptMesh {
        std::string conceptID;
        std::int64_t meshIndex = 0;
    };
    struct TaxonomyEdge {
        std::string parent;
        std::string child;
        std::string kind; // "partOf" or "isA"
    };

    enum class OpenMode {
        readOnly, // the file must exist
        // Reading and writing an installed dataset's database: the file must exist
        // and its structures must be readable, so a missing or damaged file is an
        // error at once instead of a database that silently answers nothing.
        readWriteExisting,
        // Reading and writing, creating the file and its folder when missing (imports).
        readWriteCreating,
    };

    // Throws DBError::open, saying why, when the file cannot be opened as the
    // mode asks, or cannot be read for a cause other than damage or an
    // interrupted write (descriptors, memory, a busy lock): it would otherwise
    // answer every query with nothing. The schema is never created here. An existing file in a
    // folder the user cannot write is opened read-only whatever the mode: it
    // reads, and every change of the user's rows is refused.
    AnatomyDB(std::filesystem::path url, OpenMode mode);
    // readOnly true: OpenMode::readOnly; false: OpenMode::readWriteCreating.
    explicit AnatomyDB(std::filesystem::path url, bool readOnly = false);
    ~AnatomyDB();
    AnatomyDB(const AnatomyDB&) = delete;
    AnatomyDB& operator=(const AnatomyDB&) = delete;

    const std::filesystem::path& url() const { return url_; }
    // The full-text table exists and is used by search().
    bool hasFTS() const { return hasFTS_; }

    // Creates every table and index, then the full-text table when SQLite has it.
    void createSchema();

    // Runs body inside one write transaction: everything or nothing.
    template <class Body> std::invoke_result_t<Body&> transaction(Body&& body);

    // Dataset writes, each compiling its statement once; a failed row throws and
    // stops the list.
    void insert(std::span<const AnatomyStructure> structures);
    void insert(std::span<const TaxonomyNode> concepts);
    void insertConceptMeshes(std::span<const ConceptMesh> links);
    void insertTaxonomy(std::span<const TaxonomyEdge> edges);
    void insert(std::span<const AnatomyRelation> relations);
    void setMeta(std::string_view key, std::string_view value);

    // Structure queries.
    std::optional<std::string> meta(std::string_view key) const;
    std::optional<AnatomyStructure> structure(std::string_view conceptID) const;
    std::vector<AnatomyStructure> allStructures() const;
    // Mesh indices of the structures whose English name matches any LIKE pattern.
    std::vector<std::int64_t> meshIndicesLike(std::span<const std::string> patterns) const;
    std::vector<SearchHit> search(std::string_view text, std::int64_t limit) const;
    std::vector<TaxonomyNode> children(std::string_view parent, std::string_view kind) const;
    std::vector<std::int64_t> meshIndicesOfConcept(std::string_view conceptID) const;
    std::vector<SearchHit> structuresOfConcept(std::string_view conceptID, std::int64_t limit) const;
    std::vector<TaxonomyNode> roots(std::string_view kind) const;
    std::vector<SearchHit> structures(
        AnatomySystem system, std::optional<BodyRegion> region = std::nullopt) const;
    std::vector<RelatedStructure> related(std::string_view conceptID) const;
    // Nearest parent first, at most maxDepth nodes.
    std::vector<TaxonomyNode> ancestry(std::string_view conceptID, std::string_view kind, int maxDepth) const;
    // Meshed structures per system; the flag does not change the result.
    std::map<AnatomySystem, std::int64_t> countsBySystem(bool bySystem = true) const;
    std::int64_t curatedCount() const;
    std::int64_t italianNameCount() const;

    // Why the file is not an anatomy database a dataset can use (not a database
    // at all, without the structures or one of the user's tables, or with a
    // trigger, view, table, index or column that createSchema() does not make),
    // or nothing.
    // A file SQLite cannot read gives DBError::damagedReason, and any other
    // failure to read it DBError::reason's words.
    std::optional<std::string> schemaProblem() const;
    // SQLite's verdict on the file (sqlite::verdict): the one check of damage.
    // It reads every page, on the caller's thread.
    DatabaseVerdict verdict() const;
    // The file's text encoding as SQLite names it ("UTF-8", "UTF-16le",
    // "UTF-16be"); empty when it cannot be read. SQLite attaches only databases
    // of one encoding to each other.
    std::string textEncoding() const;
    // Structures whose mesh index names no structure of a pack of `packStructures`.
    std::int64_t structuresOutsidePack(std::int64_t packStructures) const;

    // The user's rows.
    std::optional<std::string> note(std::string_view conceptID) const;
    // Stores the trimmed body, or removes the note when nothing is left; returns
    // the note stored after the call (unchanged when the write failed).
    std::optional<std::string> setNote(std::string_view body, std::string_view conceptID);
    std::vector<std::string> bookmarks() const;
    // Returns whether the concept is bookmarked after the call.
    bool toggleBookmark(std::string_view conceptID);
    std::vector<SavedView> savedViews() const;
    // The new view's ID, 0 when it was not stored.
    std::int64_t saveView(std::string_view name, std::string_view payload);
    // Whether the view was removed; false when the write was refused.
    bool deleteView(std::int64_t id);

private:
    // Runs one change of the user's rows in its own write transaction, unless the
    // file was replaced by a new version of the dataset since it was opened: a row
    // written into the old, deleted file would vanish with it.
    bool changeInPlace(const std::function<bool()>& change);
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction() noexcept;

    std::unique_ptr<sqlite::Connection> handle_;
    std::unique_ptr<FileIdentity> identity_;
    std::filesystem::path url_;
    bool hasFTS_ = false;
    // Compiled on first use and kept: a tree that expands every node asks
    // thousands of times, and compiling costs as much as running.
    mutable std::unique_ptr<sqlite::Statement> childrenQuery_;
};

template <class Body> std::invoke_result_t<Body&> AnatomyDB::transaction(Body&& body)
{
    beginTransaction(); // a failure here has nothing to roll back
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Body&>>) {
            body();
            commitTransaction();
        } else {
            std::invoke_result_t<Body&> result = body();
            commitTransaction();
            return result;
        }
    } catch (...) {
        rollbackTransaction();
        throw;
    }
}

} // namespace morvena

template <> struct std::hash<morvena::AnatomyDB::SearchHit> {
    std::size_t operator()(const morvena::AnatomyDB::SearchHit& hit) const noexcept;
};
template <> struct std::hash<morvena::AnatomyDB::RelatedStructure> {
    std::size_t operator()(const morvena::AnatomyDB::RelatedStructure& related) const noexcept;
};
template <> struct std::hash<morvena::AnatomyDB::SavedView> {
    std::size_t operator()(const morvena::AnatomyDB::SavedView& view) const noexcept;
};
