#pragma once

#include <filesystem>
#include <optional>

namespace morvena {

// Putting a complete new version of a folder in place of the old one: a dataset
// installed from an archive, a dataset built by an import.
namespace FolderSwap {

// Puts the folder `incoming` at `into`. With a folder already there, the two
// are exchanged in one step, so `into` is never missing and the old one ends at
// `incoming` for the caller to remove; where the file system cannot exchange,
// the old folder is set aside at `previous` and put back when the new one
// cannot take its place. Whatever lies at `previous` beforehand is removed.
// Throws FileError; `into` then holds what it held before.
void swapIntoPlace(const std::filesystem::path& incoming, const std::filesystem::path& into,
    const std::filesystem::path& previous);

// The same for a dataset's folder, as the last steps of an import or install:
// the user's notes, bookmarks and saved views of the installed database move
// into the incoming one first (UserRowsHandover), and the installed one stays
// locked for writing until the swap is done. An installed database SQLite
// cannot read hands over nothing but stays, kept in the new folder under a name
// of its own (DamagedDatabase), as do those kept by earlier replacements.
// Returns where a database was kept this time, or none. Throws DBError or
// FileError; `into` then holds what it held before.
std::optional<std::filesystem::path> replaceDataset(const std::filesystem::path& incoming,
    const std::filesystem::path& into, const std::filesystem::path& previous);

} // namespace FolderSwap

} // namespace morvena
