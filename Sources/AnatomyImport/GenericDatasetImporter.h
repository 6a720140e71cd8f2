#pragma once

#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/ImportProgress.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace morvena {

// Turns any 3D file, or a folder of them, into an installed dataset: every
// object with triangles becomes one structure, classified by its name alone,
// under a synthetic part-of hierarchy of body system, then region.
class GenericDatasetImporter {
public:
    struct Options {
        std::filesystem::path input; // one file, or a folder searched with its subfolders
        std::string datasetID;
        std::string displayName;
        std::string license;
        std::string attribution;
        std::string sourceURL;
        std::optional<float> unitsPerMillimeter; // absent: guessed from the model's size
        float weldTolerance = 0; // millimetres; 0 or less: no welding
        bool generateLODs = false;
        bool splitOBJGroups = false; // one structure per group of an OBJ file
    };

    explicit GenericDatasetImporter(Options options);

    // The lower-case file extensions a folder import reads: the glTF and OBJ
    // formats and those of ModelIOLoader.
    static const std::set<std::string>& supportedExtensions();

    // The whole import, on the calling thread, reporting to `progress` as it
    // goes. The dataset is built in a staging folder and replaces the installed
    // one of the same id only when complete, so any failure leaves that one as
    // it was. Throws ImportError, AppPaths::InvalidDatasetID, and the errors of
    // the pack writer, the database and the manifest.
    BodyParts3DImporter::Result run(const ImportProgressHandler& progress);
    // The same, ending with ImportError::cancelled at the first report or at the
    // commit after `stop` is set; once the dataset is in place it ends normally.
    BodyParts3DImporter::Result run(const ImportProgressHandler& progress, const std::atomic<bool>& stop);

private:
    Options opt;
};

} // namespace morvena
