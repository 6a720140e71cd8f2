#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// The description of an installed dataset, stored as its manifest.json. The
// JSON keys are the field names; the file is pretty-printed with sorted keys
// and importedAt as a UTC date-time with whole seconds ("2024-05-01T12:00:00Z").
struct DatasetManifest {
    std::string id; // also the dataset's folder name
    std::string displayName;
    std::string version;
    std::string sourceURL;
    std::string license;
    std::string attribution;
    std::chrono::system_clock::time_point importedAt;
    std::int64_t structureCount = 0;
    std::int64_t triangleCount = 0; // level-0 triangles
    std::int64_t vertexCount = 0;
    // Structures per body system, keyed by the system's raw value in decimal.
    std::map<std::string, std::int64_t> systemCounts;
    std::vector<std::string> missingSystems; // Italian system names
    std::string notes;

    bool operator==(const DatasetManifest&) const = default;

    // The JSON document.
    std::string encoded() const;
    // Strict: all 13 keys with values of the right type; other keys are ignored.
    // Throws DecodingError.
    static DatasetManifest decode(std::string_view json);

    // Creates the containing folder with its parents and replaces the file
    // atomically. Throws FileError.
    void write(const std::filesystem::path& url) const;
    // The manifest stored at `url`. Throws FileError where it cannot be read,
    // DecodingError where it does not decode.
    static DatasetManifest load(const std::filesystem::path& url);
    // The same, or nothing where load throws.
    static std::optional<DatasetManifest> read(const std::filesystem::path& url);
    // Manifests of the installed datasets, newest import first (equal dates keep
    // the folder listing's order). Hidden folders and folders whose manifest
    // names another id are left out.
    static std::vector<DatasetManifest> installed();

    // The installed datasets, and the folders under the datasets folder that
    // are not hidden but could not be read as one (a manifest that is
    // missing, damaged or names another id, a folder that cannot be opened, a
    // name that is no dataset id).
    // They count as absent; the user is told about them so that they do not
    // import or download over a dataset that is still there.
    struct Installed {
        std::vector<DatasetManifest> manifests;
        std::vector<std::string> unreadableFolders; // folder names, in listing order
        // Folders whose name no dataset id may have (an older version let
        // bidirectional controls and characters that show nothing in), without
        // the user's rows: never opened, and removable only by hand. A folder
        // whose name only shows too little is a dataset still where it, or the
        // folder a swap set it aside in, holds a database or a manifest
        // (AppPaths::datasetIDReason).
        std::vector<std::string> misnamedFolders;
        // The same, holding the dataset's database or one kept after damage
        // (DamagedDatabase): named, and never advised away.
        std::vector<std::string> misnamedDatabases;
        // Why the datasets folder could not be read through, in Italian; what
        // was read before the failure is listed all the same.
        std::optional<std::string> listingFailure;

        struct Notice {
            // In Italian, naming the folders masked and in «», the way to look
            // into the unreadable ones, and the misnamed ones.
            std::string sentence;
            // The command that removes the misnamed folders without the
            // user's rows, to be copied whole; none without them.
            std::optional<std::string> command;

            bool operator==(const Notice&) const = default;
        };
        // Nothing when the folder was read through and there are neither
        // unreadable nor misnamed folders.
        std::optional<Notice> notice() const;
    };
    // Puts back first what an interrupted swap set aside, where the dataset's
    // lock is free (FolderSwap::putBackWhereFree).
    static Installed scanInstalled();
};

} // namespace morvena
