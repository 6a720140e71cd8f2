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

// A dataset id as a message quotes it: what shows too little of itself
// (InvisibleCharacters::masked), and whatever could garble the message, as "?",
// and no longer than an id may be.
std::string quotedDatasetID(std::string_view id);

// Why `name` cannot be used as one file or folder name inside a folder of
// ours, or nothing when it can: empty, "." or "..", a separator, "..", a
// leading dot, control, format and bidirectional characters (those
// UnicodeText::containsInvisibleControls finds), characters that show nothing
// (those InvisibleCharacters::removable finds), invalid UTF-8 or more than
// maxDatasetIDLength bytes are refused.
std::optional<std::string_view> unsafeNameReason(std::string_view name);
// Why no dataset may take `id` now, or nothing when one may: unsafeNameReason's
// refusals, and an id that shows less than it holds or looks like another (a
// variation selector, U+1D159 or U+FFFC; white space or a blank braille pattern
// first or last; a combining mark first).
std::optional<std::string_view> newDatasetIDReason(std::string_view id);
// Why `id` cannot address the dataset in `folder`, or nothing when it can: as
// newDatasetIDReason, but a dataset installed before its id was refused for how
// little it shows stays usable where `folder`, or the folder a swap sets it
// aside in (FolderSwap::setAsidePath), holds a database or a manifest, whatever
// the manifest says. What could leave the folder or garble a message stays
// refused for every id.
std::optional<std::string_view> datasetIDReason(std::string_view id, const std::filesystem::path& folder);
// The same for the dataset's folder in the datasets folder.
std::optional<std::string_view> datasetIDReason(std::string_view id);
bool isValidDatasetID(std::string_view id);
// Throws InvalidDatasetID when datasetIDReason refuses the id.
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
