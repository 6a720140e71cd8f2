#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace morvena {

// Where the programs keep their data. Every location is computed afresh from
// the environment on each call; no getter creates anything.
//
//   $XDG_DATA_HOME/Morvena/datasets/<id>/{geometry.mrvpack,anatomy.sqlite,manifest.json}
//   $XDG_CONFIG_HOME/Morvena/<program>.json
namespace AppPaths {

inline constexpr std::string_view bundleID = "org.morvena.Morvena";
inline constexpr std::string_view packFileName = "geometry.mrvpack";
inline constexpr std::string_view databaseFileName = "anatomy.sqlite";
inline constexpr std::string_view manifestFileName = "manifest.json";

// Longest accepted dataset id in bytes; leaves room for the hidden
// ".<id>.incoming" sibling within the file system's 255-byte name limit.
inline constexpr std::size_t maxDatasetIDLength = 200;

// A dataset id that cannot safely name a folder. Ids arrive from catalogs,
// command lines and display names, so every one is checked before it becomes
// part of a path.
class InvalidDatasetID : public std::runtime_error {
public:
    InvalidDatasetID(std::string_view id, std::string_view reason);
};

// Why `name` cannot be used as one file or folder name inside a folder of
// ours, or nothing when it can: empty, "." or "..", a separator, "..", a
// leading dot, control, format and bidirectional characters (those
// UnicodeText::containsInvisibleControls finds), characters that show nothing
// (those InvisibleCharacters::removable finds), invalid UTF-8 or more than
// maxDatasetIDLength bytes are refused.
std::optional<std::string_view> unsafeNameReason(std::string_view name);
bool isValidDatasetID(std::string_view id);
// Throws InvalidDatasetID when the id is refused.
void validateDatasetID(std::string_view id);

std::filesystem::path applicationSupport();
std::filesystem::path datasetsDirectory();
// These throw InvalidDatasetID for an id that would leave the datasets folder.
std::filesystem::path datasetDirectory(std::string_view id);
std::filesystem::path packURL(std::string_view id);
std::filesystem::path databaseURL(std::string_view id);
std::filesystem::path manifestURL(std::string_view id);

// The folder holding each program's settings file.
std::filesystem::path settingsDirectory();
// The user's pictures folder + "Morvena"; computed only.
std::filesystem::path screenshotsDirectory();
// $TMPDIR, else /tmp.
std::filesystem::path temporaryDirectory();

// Creates the datasets folder and its parents; failures are dropped, later
// writes into the folder report their own.
void ensureDirectories();

} // namespace AppPaths

} // namespace morvena
