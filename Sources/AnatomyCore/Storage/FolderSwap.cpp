#include "AnatomyCore/Storage/FolderSwap.h"

#include "AnatomyCore/Database/UserRowsHandover.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace morvena::FolderSwap {

namespace fs = std::filesystem;

void swapIntoPlace(const fs::path& incoming, const fs::path& into, const fs::path& previous)
{
    std::error_code error;
    fs::remove_all(previous, error); // a left-over of an earlier failed attempt
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
    fs::remove_all(previous, error);
}

namespace {

// Puts the installed database into the incoming folder when SQLite cannot read
// it and it holds any byte; none otherwise.
std::optional<fs::path> keptDamaged(
    const UserRowsHandover& handover, const fs::path& installed, const fs::path& incoming)
{
    std::error_code error;
    if (!handover.installedIsDamaged() || fs::file_size(installed, error) == 0 || error)
        return std::nullopt;
    return DamagedDatabase::keep(installed, incoming, std::chrono::system_clock::now());
}

} // namespace

std::optional<fs::path> replaceDataset(
    const fs::path& incoming, const fs::path& into, const fs::path& previous)
{
    const auto installed = into / AppPaths::databaseFileName;
    DamagedDatabase::carryKept(into, incoming);
    UserRowsHandover handover(installed, incoming / AppPaths::databaseFileName);
    const auto kept = keptDamaged(handover, installed, incoming);
    swapIntoPlace(incoming, into, previous);
    if (!kept)
        return std::nullopt;
    return into / kept->filename();
}

} // namespace morvena::FolderSwap
