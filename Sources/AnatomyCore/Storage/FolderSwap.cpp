#include "AnatomyCore/Storage/FolderSwap.h"

#include "AnatomyCore/Database/UserRowsHandover.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/DatasetLock.h"
#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace morvena::FolderSwap {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view setAsideSuffix = ".previous";

bool present(const fs::path& path)
{
    struct stat found { };
    return ::lstat(path.c_str(), &found) == 0;
}

// Missing for sure: a path that cannot be looked at may well be there.
bool absent(const fs::path& path)
{
    struct stat found { };
    return ::lstat(path.c_str(), &found) != 0 && errno == ENOENT;
}

bool isFolder(const fs::path& path)
{
    struct stat found { };
    return ::lstat(path.c_str(), &found) == 0 && S_ISDIR(found.st_mode);
}

// A folder a crash or a hand may leave at a dataset's path: it holds nothing to keep.
bool isEmptyFolder(const fs::path& path)
{
    std::error_code error;
    return isFolder(path) && fs::directory_iterator(path, error) == fs::directory_iterator() && !error;
}

bool holdsDatabase(const fs::path& folder)
{
    return present(folder / AppPaths::databaseFileName);
}

// What stands at a dataset's path in place of its folder, or none where its
// folder is there, with the database in it, or where nothing can be seen.
std::optional<std::string_view> obstacleAt(const fs::path& into)
{
    struct stat found { };
    if (::lstat(into.c_str(), &found) != 0)
        return std::nullopt;
    if (S_ISLNK(found.st_mode))
        return "un collegamento simbolico";
    if (!S_ISDIR(found.st_mode))
        return "un file";
    if (!holdsDatabase(into))
        return "una cartella senza il database";
    return std::nullopt;
}

// Refuses to go on where the only database lies set aside and something else
// has taken the dataset's path: neither may be removed to make room.
void requireNothingInTheWay(const fs::path& into, const fs::path& previous)
{
    const auto obstacle = obstacleAt(into);
    if (!obstacle)
        return;
    throw std::runtime_error("Impossibile importare o installare il dataset: al posto della sua cartella "
        + into.string() + " c'è " + std::string(*obstacle) + ", mentre il database dell'utente è in "
        + previous.string()
        + ", dove l'ha messo da parte un'importazione o un'installazione interrotta. Nulla è stato rimosso: "
          "sposta altrove "
        + into.string() + " e riprova.");
}

// Removes a set-aside folder unless it holds the only database.
void removeSetAside(const fs::path& into, const fs::path& previous)
{
    if (holdsDatabase(previous) && !holdsDatabase(into))
        return;
    std::error_code ignored;
    fs::remove_all(previous, ignored);
}

// The datasets of the folder whose own folder is missing while one set aside is there.
std::vector<fs::path> setAsideDatasets(const fs::path& datasets)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator entry(datasets, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with('.') || !name.ends_with(setAsideSuffix))
            continue;
        const auto id = std::string_view(name).substr(1, name.size() - 1 - setAsideSuffix.size());
        // Only what a swap of one of ours can have left: one name, not hidden.
        const auto into = datasets / id;
        if (!id.empty() && !id.starts_with('.') && (absent(into) || isEmptyFolder(into))
            && isFolder(entry->path()))
            found.push_back(into);
    }
    return found;
}

} // namespace

fs::path setAsidePath(const fs::path& into)
{
    return into.parent_path() / ("." + into.filename().string() + std::string(setAsideSuffix));
}

void putBackSetAside(const fs::path& into, const fs::path& previous)
{
    if (!isFolder(previous))
        return;
    // rmdir removes a folder only while it is empty, whatever appears in it meanwhile.
    if (isEmptyFolder(into))
        ::rmdir(into.c_str());
    if (!absent(into)) {
        if (holdsDatabase(previous))
            requireNothingInTheWay(into, previous);
        return;
    }
    if (std::rename(previous.c_str(), into.c_str()) != 0)
        throw FileError("Impossibile rimettere al suo posto il dataset", into, errno);
}

void putBackWhereFree(const fs::path& datasets)
{
    for (const auto& into : setAsideDatasets(datasets)) {
        try {
            const DatasetLock lock(into);
            putBackSetAside(into, setAsidePath(into));
        } catch (const std::exception&) {
            // A busy lock's holder may be between the renames; the next look tries again.
        }
    }
}

void swapIntoPlace(const fs::path& incoming, const fs::path& into, const fs::path& previous)
{
    putBackSetAside(into, previous);
    std::error_code error;
    if (present(into))
        removeSetAside(into, previous); // a left-over of an earlier failed attempt
    if (!fs::exists(fs::symlink_status(into, error))) {
        if (std::rename(incoming.c_str(), into.c_str()) != 0)
            throw FileError("Impossibile installare il dataset in", into, errno);
        return;
    }
    if (::renameat2(AT_FDCWD, incoming.c_str(), AT_FDCWD, into.c_str(), RENAME_EXCHANGE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        throw FileError("Impossibile installare il dataset in", into, errno);
    if (std::rename(into.c_str(), previous.c_str()) != 0)
        throw FileError("Impossibile spostare il dataset precedente", into, errno);
    if (std::rename(incoming.c_str(), into.c_str()) != 0) {
        const int reason = errno;
        std::rename(previous.c_str(), into.c_str());
        throw FileError("Impossibile installare il dataset in", into, reason);
    }
    removeSetAside(into, previous);
}

namespace {

// Puts the installed database into the incoming folder when SQLite finds it
// damaged and it holds any byte; none otherwise.
std::optional<fs::path> keptDamaged(
    const UserRowsHandover& handover, const fs::path& installed, const fs::path& incoming)
{
    std::error_code error;
    if (!handover.installedIsDamaged() || fs::file_size(installed, error) == 0 || error)
        return std::nullopt;
    return DamagedDatabase::keep(installed, incoming, std::chrono::system_clock::now());
}

} // namespace

std::optional<DamagedDatabase::Kept> replaceDataset(
    const fs::path& incoming, const fs::path& into, const fs::path& previous)
{
    const auto installed = into / AppPaths::databaseFileName;
    DamagedDatabase::carryKept(into, incoming);
    UserRowsHandover handover(installed, incoming / AppPaths::databaseFileName);
    const auto kept = keptDamaged(handover, installed, incoming);
    swapIntoPlace(incoming, into, previous);
    if (!kept)
        return std::nullopt;
    return DamagedDatabase::Kept {into / kept->filename(), handover.handedOver()};
}

} // namespace morvena::FolderSwap
