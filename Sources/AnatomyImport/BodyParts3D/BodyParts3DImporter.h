#pragma once

#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyImport/Geometry/RawMesh.h"
#include "AnatomyImport/ImportProgress.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace morvena {

class DatasetStaging;

// Builds a dataset from the public BodyParts3D release: its FMA metadata tables
// and its OBJ meshes. The object only holds its settings; run() does the work.
class BodyParts3DImporter {
public:
    struct Options {
        std::filesystem::path metadataDir; // the FMA metadata text files
        std::filesystem::path objDir; // searched with all its subfolders
        std::string datasetID;
        float weldTolerance = 0; // 0 or less leaves the meshes unwelded
        bool generateLODs = false;
        // A curated table to use instead of the import module's own.
        std::optional<std::filesystem::path> curatedTSV;
    };
    // What the viewer and the tool import a release with, unless told otherwise.
    static constexpr std::string_view defaultDatasetID = "bodyparts3d-4.0";
    static constexpr float defaultWeldTolerance = 0.02f;

    // What an import returns; the generic importer returns it too.
    struct Result {
        DatasetManifest manifest; // as written to the dataset folder
        std::filesystem::path packURL;
        std::filesystem::path databaseURL;
        // Structures left without a body system, in structure order: for
        // BodyParts3D "concept ID<TAB>English name", for the generic import the
        // English name.
        std::vector<std::string> unclassified;
        // Concepts with an element file that was absent or unreadable.
        std::vector<std::string> missingOBJ;
        // The installed database SQLite found damaged, kept in the dataset's
        // folder with what could not be read of it.
        std::optional<DamagedDatabase::Kept> keptDatabase;

        bool operator==(const Result&) const = default;
    };

    // The FMA tables of one release, keyed by concept ID. Public for the
    // tests and the classifier benchmark; nothing else keeps it past run().
    struct Metadata {
        using Table = std::unordered_map<std::string, std::string>;
        using Lists = std::unordered_map<std::string, std::vector<std::string>>;

        Table names; // English names; the is-a parts list wins over every other source
        Lists isaChildren; // children in file order
        Table isaParents; // the first parent met
        Lists partofChildren;
        Table partofParents;
        Lists elements; // element file IDs of the is-a element list, repeats kept
        Lists partofElements;
        Table partofNames;
    };

    // How the dataset's axes map onto the body: x towards its left, y towards
    // its head, z towards its front.
    struct Orientation {

        std::array<Float3, 3> matrix {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; // columns
        bool flipsWinding = false; // the matrix is a reflection
        std::string note; // Italian account of how each axis was found

        // The body-frame position of a dataset position.
        Float3 apply(const Float3& position) const;
    };

    explicit BodyParts3DImporter(Options options);

    // The last step of both importers: puts the staged dataset in place, unless
    // `stop` is set by then, points the result at its installed files and
    // reports the end of the import.
    static Result finish(DatasetStaging& staging, std::string_view datasetID, Result result,
        const ImportProgressHandler& progress, const std::atomic<bool>& stop);

    const Options& options() const { return opt; }

    // The whole import, on the calling thread; `progress` is called on it too
    // and not kept. Throws ImportError, and the errors of the pack, database
    // and manifest writers unchanged. On any failure the dataset folder stays
    // as it was.
    Result run(const ImportProgressHandler& progress) const;
    // The same, ending with ImportError::cancelled at the first report or at the
    // commit after `stop` is set; once the dataset is in place it ends normally.
    Result run(const ImportProgressHandler& progress, const std::atomic<bool>& stop) const;

    // The steps of run().

    // The TAB-separated rows of one metadata file, lines of any ending, empty
    // lines dropped. Throws ImportError::missingMetadata, with the reason where
    // the file is there, when the file cannot be read as UTF-8.
    static std::vector<std::vector<std::string>> rows(const std::filesystem::path& file, bool skipHeader);
    // Reads the six tables from the metadata folder; the part-of tables are
    // optional.
    Metadata loadMetadata(const ImportProgressHandler& progress) const;
    // The concepts that become structures, sorted by ID: every is-a leaf with
    // elements, and for each element no leaf lists the concept with the fewest
    // elements that lists it (the lowest ID among equals).
    static std::vector<std::string> structureConcepts(const Metadata& metadata);
    // Names of the concept's is-a ancestors, nearest first, at most `limit`
    // steps up, then its part-of parent's name: what classification falls back
    // on when the concept's own name says nothing.
    static std::vector<std::string> ancestorNames(
        std::string_view conceptID, const Metadata& metadata, int limit);
    // The body's axes from the centroids of named landmark structures; never
    // fails. Among concepts of the same name the lowest ID gives the position.
    static Orientation detectOrientation(
        const std::unordered_map<std::string, Float3>& centroids, const Metadata::Table& names);

    // Fixed values of this dataset.
    static constexpr std::string_view datasetName = "BodyParts3D 4.0";
    static constexpr std::string_view displayName = "BodyParts3D 4.0 (DBCLS)";
    static constexpr std::string_view version = "4.0";
    static constexpr std::string_view license = "CC BY 4.0";
    static constexpr std::string_view isaRoot = "FMA62955";
    static constexpr std::string_view partofRoot = "FMA20394";

    // Written into the geometry pack header, the database and the manifest.
    static constexpr std::string_view attribution = "BodyParts3D, © The Database Center for Life Science "
                                                    "licensed under CC Attribution 4.0 International";
    // The public download page; stored and shown, never fetched.
    static constexpr std::string_view sourceURL
        = "https://dbarchive.biosciencedbc.jp/en/bodyparts3d/download.html";

private:
    Options opt;
};

} // namespace morvena
