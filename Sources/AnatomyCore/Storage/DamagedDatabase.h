#pragma once

#include "AnatomyCore/Database/UserRowsHandover.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace morvena {

// An installed database that SQLite finds damaged may still hold notes,
// bookmarks and saved views of the user's in pages it cannot read. An import or a download that replaces the
// dataset's folder keeps it in the new folder instead of deleting it with the old one, under a name that no
// program reads as the dataset's database: "anatomy-danneggiato-AAAAMMGG-HHMMSS.sqlite", with its "-wal" and
// "-journal".
namespace DamagedDatabase {

inline constexpr std::string_view keptPrefix = "anatomy-danneggiato-";

// Whether the file name is one a kept database or its side files bear.
bool isKept(const std::filesystem::path& file);

// Puts `database`, and its "-wal" and "-journal" where not empty, into `folder`
// under a kept name made of `when` in local time (with a suffix where a file
// of that name exists: nothing is overwritten), as hard links, or as copies
// where a link is impossible. Returns the kept database's path in `folder`.
// Throws FileError when neither works; what was placed is then removed.
std::filesystem::path keep(const std::filesystem::path& database, const std::filesystem::path& folder,
    std::chrono::system_clock::time_point when);

// Every kept file of the folder, side files included, in the order of their
// names; those read before `error` was set when the folder cannot be read.
std::vector<std::filesystem::path> keptIn(const std::filesystem::path& folder, std::error_code& error);

// Puts every kept file of the folder `from` into the folder `to` under the
// same name, as keep() does. Throws FileError.
void carryKept(const std::filesystem::path& from, const std::filesystem::path& to);

// A damaged database kept by a replacement, and how many of the user's rows
// could be read of it and handed over to the new database.
struct Kept {
    std::filesystem::path file;
    UserRowsHandover::Counts handedOver;
    bool operator==(const Kept&) const = default;
};

// What the user is told once a damaged database was kept.
std::string notice(const Kept& kept);

} // namespace DamagedDatabase

} // namespace morvena
