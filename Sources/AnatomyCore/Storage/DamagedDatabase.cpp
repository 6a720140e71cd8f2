#include "AnatomyCore/Storage/DamagedDatabase.h"

#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <ctime>
#include <span>
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
constexpr std::string_view readAction = "Impossibile leggere il database danneggiato";

constexpr std::size_t copyChunkBytes = 1 << 20;

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

// Copies the bytes of `source` into `target`. A loop of our own rather than
// std::filesystem::copy_file, which reports a short write as EIO: here a full
// disk stays ENOSPC, and the failing file is the one named.
void copyBytes(const FileDescriptor& source, const fs::path& from, FileDescriptor& target, const fs::path& to)
{
    std::vector<std::byte> buffer(copyChunkBytes);
    for (;;) {
        const auto count = source.readFully(buffer);
        if (!count)
            throw FileError(readAction, from, errno);
        if (!target.writeAll(std::span(buffer).first(*count)))
            throw FileError(keepAction, to, errno);
        if (*count < buffer.size())
            break;
    }
    if (!target.close())
        throw FileError(keepAction, to, errno);
}

// Makes `to` a copy of `from`, with its permissions, never over an existing
// file; a copy cut short holds nothing of use and goes.
void copyNew(const fs::path& from, const fs::path& to)
{
    const FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info { };
    if (!source || ::fstat(source.get(), &info) != 0)
        throw FileError(readAction, from, errno);
    FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777));
    if (!target)
        throw FileError(keepAction, to, errno);
    try {
        copyBytes(source, from, target, to);
    } catch (...) {
        std::error_code ignored;
        fs::remove(to, ignored);
        throw;
    }
}

// Places `to` as a hard link to `from`, or as a copy where the file system
// cannot link; never over an existing file.
void place(const fs::path& from, const fs::path& to)
{
    if (::link(from.c_str(), to.c_str()) == 0)
        return;
    if (errno == EEXIST)
        throw FileError(keepAction, to, EEXIST);
    copyNew(from, to);
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

std::string notice(const Kept& kept)
{
    const auto& [notes, bookmarks, views] = kept.handedOver;
    return "Il database installato era danneggiato: trasferite " + std::to_string(notes) + " annotazioni, "
        + std::to_string(bookmarks) + " segnalibri e " + std::to_string(views)
        + " viste salvate; il file originale, con ciò che non si è potuto leggere, è conservato in "
        + kept.file.string() + ".";
}

} // namespace morvena::DamagedDatabase
