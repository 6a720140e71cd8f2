#include "AnatomyCore/Storage/DatasetLock.h"

#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace morvena {

namespace {

// Whether the path still names the open file: a holder removes the file before it
// lets go, so a lock taken on a file already removed guards nothing.
bool stillNamed(const std::filesystem::path& path, const FileDescriptor& file)
{
    struct stat named { };
    struct stat opened { };
    return ::stat(path.c_str(), &named) == 0 && ::fstat(file.get(), &opened) == 0
        && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

} // namespace

DatasetLock::Busy::Busy(std::string_view datasetID)
    : std::runtime_error(
        "Il dataset «" + std::string(datasetID) + "» è già in corso di importazione da un altro processo.")
{
}

DatasetLock::DatasetLock(const std::filesystem::path& datasetFolder)
    : file_(datasetFolder.parent_path() / ("." + datasetFolder.filename().string() + ".lock"))
{
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error)
        throw FileError("Impossibile creare la cartella", file_.parent_path(), error);
    for (;;) {
        FileDescriptor file(::open(file_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file)
            throw FileError("Impossibile creare il file", file_, errno);
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                throw Busy(datasetFolder.filename().string());
            throw FileError("Impossibile bloccare il file", file_, errno);
        }
        if (stillNamed(file_, file)) {
            held_ = std::move(file);
            return;
        }
    }
}

DatasetLock::~DatasetLock()
{
    // Removed while still held, so that whoever opened it meanwhile sees it gone.
    ::unlink(file_.c_str());
}

} // namespace morvena
