#include "AnatomyCore/Storage/DamagedDatabase.h"

#include "AnatomyCore/Support/FileError.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>
#include <system_error>
#include <vector>

namespace morvena::DamagedDatabase {

namespace {

namespace fs = std::filesystem;

// SQLite's side files that may hold pages the main file lacks.
constexpr std::array<std::string_view, 2> sideSuffixes = {"-wal", "-journal"};

constexpr std::string_view keptExtension = ".sqlite";

// More files of one second than anyone makes by hand; past it keep() gives up.
constexpr int maximumSuffix = 1000;

constexpr std::string_view keepAction = "Impossibile conservare il database danneggiato in";

bool isTaken(const fs::path& file)
{
    std::error_code error;
    return fs::symlink_status(file, error).type() != fs::file_type::not_found;
}

std::string stamp(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local {};
    localtime_r(&seconds, &local);
    std::array<char, 32> text {};
    std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &local);
    return text.data();
}

// An empty side file, such as the "-wal" SQLite makes when it opens a file,
// holds nothing to keep.
bool holdsBytes(const fs::path& file)
{
    std::error_code error;
    const auto size = fs::file_size(file, error);
    return !error && size > 0;
}

// The first kept name whose database and side files are all free in `folder`.
fs::path freeName(const fs::path& folder, const std::string& base)
{
    for (int suffix = 1; suffix <= maximumSuffix; ++suffix) {
        const auto name
            = base + (suffix == 1 ? "" : "-" + std::to_string(suffix)) + std::string(keptExtension);
        const auto candidate = folder / name;
        bool free = !isTaken(candidate);
        for (auto side : sideSuffixes)
            free = free && !isTaken(candidate.string() + std::string(side));
        if (free)
            return candidate;
    }
    throw FileError(keepAction, folder / (base + std::string(keptExtension)), EEXIST);
}

// Places `to` as a hard link to `from`, or as a copy where the file system
// cannot link; never over an existing file.
void place(const fs::path& from, const fs::path& to)
{
    if (::link(from.c_str(), to.c_str()) == 0)
        return;
    if (errno == EEXIST)
        throw FileError(keepAction, to, EEXIST);
    std::error_code error;
    if (fs::copy_file(from, to, fs::copy_options::none, error))
        return;
    if (error != std::errc::file_exists) {
        std::error_code ignored;
        fs::remove(to, ignored); // a copy cut short holds nothing of use
    }
    throw FileError(keepAction, to, error);
}

// Places every file of `pairs`, or none of them.
void placeAll(const std::vector<std::pair<fs::path, fs::path>>& pairs)
{
    std::vector<fs::path> placed;
    try {
        for (const auto& [from, to] : pairs) {
            place(from, to);
            placed.push_back(to);
        }
    } catch (...) {
        std::error_code ignored;
        for (const auto& file : placed)
            fs::remove(file, ignored);
        throw;
    }
}

} // namespace

bool isKept(const fs::path& file)
{
    return file.filename().string().starts_with(keptPrefix);
}

fs::path keep(const fs::path& database, const fs::path& folder, std::chrono::system_clock::time_point when)
{
    const auto kept = freeName(folder, std::string(keptPrefix) + stamp(when));
    std::vector<std::pair<fs::path, fs::path>> pairs {{database, kept}};
    for (auto side : sideSuffixes)
        if (const fs::path file = database.string() + std::string(side); holdsBytes(file))
            pairs.emplace_back(file, kept.string() + std::string(side));
    placeAll(pairs);
    return kept;
}

std::vector<fs::path> keptIn(const fs::path& folder, std::error_code& error)
{
    std::vector<fs::path> kept;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        if (isKept(entry->path()) && entry->symlink_status(error).type() == fs::file_type::regular)
            kept.push_back(entry->path());
    std::ranges::sort(kept);
    return kept;
}

void carryKept(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    std::vector<std::pair<fs::path, fs::path>> pairs;
    for (const auto& file : keptIn(from, error))
        pairs.emplace_back(file, to / file.filename());
    // Files left unlisted would go with the old folder.
    if (error && error != std::errc::no_such_file_or_directory)
        throw FileError("Impossibile leggere la cartella", from, error);
    placeAll(pairs);
}

std::string notice(const fs::path& kept)
{
    return "Il database installato era danneggiato: annotazioni, segnalibri e viste non sono stati "
           "trasferiti. Il file è conservato in "
        + kept.string() + ".";
}

} // namespace morvena::DamagedDatabase
