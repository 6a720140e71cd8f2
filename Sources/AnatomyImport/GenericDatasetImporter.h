#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace morvena {

// Turns any 3D file, or a folder of them, into an installed dataset.
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
};

} // namespace morvena
