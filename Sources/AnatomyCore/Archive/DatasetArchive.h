#pragma once

#include "AnatomyCore/Storage/DamagedDatabase.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// Dataset archives: one compressed file carrying a dataset's pack, database
// and manifest, published beside the catalog and identified by its SHA-256.
// The container is described in ArchiveBlocks and ArchiveEntry.
//
// Besides Failure the operations throw FileError for file-system failures,
// ArchiveError for damaged or hostile archives, DBError for a database that
// cannot be copied and AppPaths::InvalidDatasetID for a target folder whose
// name is not a dataset id.
namespace DatasetArchive {

inline constexpr std::string_view fileExtension = "mrvz";
inline constexpr std::array<std::string_view, 3> requiredEntries
    = {"geometry.mrvpack", "anatomy.sqlite", "manifest.json"};

class Failure : public std::runtime_error {
public:
    enum class Kind {
        streamUnavailable,
        checksumMismatch,
        incompleteExtraction,
        foreignDataset,
        stopped,
        unusableDataset,
        oversized,
        diskFull,
    };

    // "Impossibile aprire il flusso di archivio (<stage>)."
    static Failure streamUnavailable(std::string stage);
    // Quotes the first 12 characters of each digest.
    static Failure checksumMismatch(std::string expected, std::string found);
    // "Archivio incompleto: mancano a, b."
    static Failure incompleteExtraction(std::vector<std::string> missing);
    // The archive's manifest names another dataset than the folder it is being
    // installed as.
    static Failure foreignDataset(std::string expected, std::string found);
    // The archive's manifest cannot be read, for `reason`; of kind foreignDataset.
    static Failure unreadableManifest(std::string expected, const std::string& reason);
    // The caller stopped the installation: "Installazione annullata."
    static Failure stopped();
    // The extracted dataset fails the check every program makes (DatasetCheck):
    // "L'archivio del dataset <dataset> non contiene un dataset utilizzabile:
    // <problem>. …", with the database's schema, its pages and its structure
    // count among what is checked.
    static Failure unusableDataset(const std::string& dataset, const std::string& problem);
    // The archive expands to more than its catalog entry declares, by more than
    // any honest archive does: a decompression bomb or a wrong catalog.
    static Failure oversized(std::int64_t declaredBytes, std::uint64_t limitBytes);
    // Extracting further would fill the disk.
    static Failure diskFull(std::uint64_t freeBytes);

    Kind kind() const { return kind_; }
    const std::string& stage() const { return stage_; }
    const std::string& expected() const { return expected_; }
    const std::string& found() const { return found_; }
    const std::vector<std::string>& missing() const { return missing_; }

private:
    Failure(Kind kind, const std::string& message);

    Kind kind_;
    std::string stage_;
    std::string expected_;
    std::string found_;
    std::vector<std::string> missing_;
};

struct Created {
    std::int64_t bytes = 0;
    std::string sha256;
};

// Packs the three required files of the dataset folder `from` into the
// archive `to`. The database is copied through SQLite's online backup, so
// changes still in its write-ahead log are included, and the copy keeps none of
// the user's notes, bookmarks and saved views: they are the publisher's own.
// The archive is written beside `to` and renamed over it only when complete.
Created create(const std::filesystem::path& from, const std::filesystem::path& to);
// 64 lower-case hexadecimal digits.
std::string sha256(const std::filesystem::path& file);
// Extracts every entry into the existing folder `into`. Only plain files with
// a single-component name are written (created exclusively, mode 0644,
// never through links); anything else fails the extraction, which then
// removes the files it created.
void extract(const std::filesystem::path& archive, const std::filesystem::path& into);
// Checks the digest when one is expected (case-insensitively; empty skips the
// check), extracts into the hidden sibling "." + id + ".incoming" (an entry
// that is not one of the three files is refused), checks the three files, the
// manifest's id and the whole dataset as DatasetCheck does (every vertex, the
// database's exact schema and pages), hands the installed dataset's user rows
// to the incoming database in place of any it carries, then swaps the folder
// into place. On any failure the installed dataset stays as it was. The
// dataset's lock is held from the extraction on (DatasetLock::Busy when another
// process holds it); a dataset an interrupted swap set aside is put back as it
// is taken (FolderSwap::putBackSetAside). Returns the installed database
// SQLite found damaged, kept in the new folder (FolderSwap::replaceDataset), or none.
//
// Extraction stops before the disk is full, and, when `declaredBytes` (the
// catalog's installed size) is above 0, once the bytes the archive expands to,
// written or skipped, pass it by a quarter and at least 64 MiB.
std::optional<DamagedDatabase::Kept> install(const std::filesystem::path& archive,
    const std::filesystem::path& into, std::optional<std::string_view> expecting);
// The same, stopping with Failure::stopped() once `stop` is set: it is checked
// per checksum chunk, per archive block and just before the swap, never after.
std::optional<DamagedDatabase::Kept> install(const std::filesystem::path& archive,
    const std::filesystem::path& into, std::optional<std::string_view> expecting,
    const std::atomic<bool>& stop, std::int64_t declaredBytes = 0);

} // namespace DatasetArchive

} // namespace morvena
