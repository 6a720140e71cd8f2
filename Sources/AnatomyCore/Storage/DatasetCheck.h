#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

class AnatomyDB;
class MeshPack;

// Whether the three files of a dataset's folder make a dataset the programs can
// use: the manifest reads and names the dataset, the pack opens with finite
// geometry, the database is an anatomy database (exactly the schema an import
// writes, nothing the publisher added) whose structures name meshes of that
// pack. The download's installation, the viewer's load and the tool's
// verify all ask this one check, so that what the installation lets in and
// verify passes, the viewer opens.
namespace DatasetCheck {

// How far the check reads. Both depths ask the database's verdict
// (AnatomyDB::verdict), which reads every page of the database: the viewer's
// load runs it on its main thread, a cost that follows the file's size and the
// number of notes (5 ms for an atlas of 2,234 structures without notes, a
// quarter of a second with 200,000). Beyond it, the viewer's load reads the
// pack's bounds but no vertex and no database row: it skips mesh indices beyond
// its pack anyway. The installation and verify read every vertex position and
// every structure's mesh index as well, require the database in UTF-8, count
// the structures with geometry against the pack's, and compare the manifest's
// counts of structures, triangles and vertices with the pack's.
enum class Depth { bounds, everyVertex };

struct Problem {
    // verdict: the database's verdict where it is not clean, the one database
    // problem then; userRows: the same where it finds the user's notes,
    // bookmarks or saved views damaged.
    enum class Kind { manifest, packUnreadable, geometry, database, verdict, userRows };
    Kind kind = Kind::manifest;
    std::string text; // Italian, starting in lower case
    bool operator==(const Problem&) const = default;
};

// Every problem of the dataset `id` in `folder`, in the order manifest, pack,
// database; empty when the dataset is usable. Never throws for what the files hold.
std::vector<Problem> problems(const std::filesystem::path& folder, std::string_view id, Depth depth);
// The same for a pack and database the caller has opened from the folder already.
std::vector<Problem> problems(const MeshPack& pack, const AnatomyDB& db, const std::filesystem::path& folder,
    std::string_view id, Depth depth);

// The pack must hold structures, and the database as many with geometry: the
// count every full check makes, for verify also where the pack is too damaged
// for the check to open it.
std::vector<Problem> structureCountProblems(const AnatomyDB& db, std::size_t packStructures);

// A dataset that a program refuses to open: "Il dataset <id> non è
// utilizzabile: <first problem>. Per i dettagli: mrvtool verify --id <id>",
// the id masked (InvisibleCharacters::masked), then as one shell word.
class Unusable : public std::runtime_error {
public:
    Unusable(std::string_view id, const Problem& first);
};

// Throws DamagedUserRows when problems() of the opened pack and database finds
// the user's rows damaged, else Unusable when it finds any problem.
void require(const MeshPack& pack, const AnatomyDB& db, const std::filesystem::path& folder,
    std::string_view id, Depth depth);

// A dataset whose notes, bookmarks or saved views SQLite finds damaged, in their
// pages or their indexes. The viewer, which reads them all, would show none of
// them without a word; a new import or download keeps the file apart.
class DamagedUserRows : public std::runtime_error {
public:
    explicit DamagedUserRows(std::string_view id);
};

} // namespace DatasetCheck

} // namespace morvena
