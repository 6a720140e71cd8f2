#pragma once

#include "AnatomyCore/DatasetManifest.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// Builds a dataset from the public BodyParts3D release: its FMA metadata tables
// and its OBJ meshes.
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

        bool operator==(const Result&) const = default;
    };

    // Written into the geometry pack header, the database and the manifest.
    static constexpr std::string_view attribution = "BodyParts3D, © The Database Center for Life Science "
                                                    "licensed under CC Attribution 4.0 International";
    // The public download page; stored and shown, never fetched.
    static constexpr std::string_view sourceURL
        = "https://dbarchive.biosciencedbc.jp/en/bodyparts3d/download.html";
};

} // namespace morvena
