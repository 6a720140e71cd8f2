#pragma once

#include "AnatomyCore/Storage/DamagedDatabase.h"

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
// cannot take its place. Whatever lies at `previous` beforehand is removed, but
// never while `into` is missing: it is then put back first (putBackSetAside);
// nor while it holds the only database, which `into` lacks. Throws FileError;
// `into` then holds what it held before.
void swapIntoPlace(const std::filesystem::path& incoming, const std::filesystem::path& into,
    const std::filesystem::path& previous);

// Where swapIntoPlace sets a dataset's folder aside: its hidden sibling
// "." + name + ".previous".
std::filesystem::path setAsidePath(const std::filesystem::path& into);

// A process killed between the two renames of swapIntoPlace leaves no folder at
// `into`, the dataset lying at `previous`: puts it back when `into` is missing
// or an empty folder, which it removes first. Where something else stands at
// `into` (a file, a symbolic link, a folder without the database) while
// `previous` holds the database, nothing is removed and it throws
// std::runtime_error naming both. Only the holder of the dataset's lock
// (DatasetLock) may call it. Throws FileError when the folder cannot be put back.
void putBackSetAside(const std::filesystem::path& into, const std::filesystem::path& previous);
// The same for each dataset set aside in the folder `datasets` whose own
// folder is missing or empty, where its lock can be taken at once; one whose
// lock is busy or cannot be taken at all (a folder the user may not write), or
// that something else stands in the way of, stays as it is, and nothing fails.
void putBackWhereFree(const std::filesystem::path& datasets);

// The same for a dataset's folder, as the last steps of an import or install:
// the user's notes, bookmarks and saved views of the installed database move
// into the incoming one first (UserRowsHandover), and the installed one stays
// locked for writing until the swap is done. An installed database SQLite
// finds damaged hands over what can be read of it and stays, kept in the new
// folder under a name of its own (DamagedDatabase), as do those kept by earlier
// replacements. Returns the database kept this time, or none. Throws DBError or
// FileError; `into` then holds what it held before.
std::optional<DamagedDatabase::Kept> replaceDataset(const std::filesystem::path& incoming,
    const std::filesystem::path& into, const std::filesystem::path& previous);

} // namespace FolderSwap

} // namespace morvena
