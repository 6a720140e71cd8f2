#include "AnatomyCore/Storage/DatasetLock.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
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

// What stands at the lock's path instead of a lock file of this user's, or
// nothing when it is one (or gone).
std::optional<std::string_view> obstacle(const std::filesystem::path& path)
{
    struct stat found { };
    if (::lstat(path.c_str(), &found) != 0)
        return std::nullopt;
    switch (found.st_mode & S_IFMT) {
    case S_IFDIR:
        return "una cartella";
    case S_IFLNK:
        return "un collegamento simbolico";
    case S_IFSOCK:
        return "un socket";
    case S_IFIFO:
        return "una pipe con nome";
    case S_IFCHR:
    case S_IFBLK:
        return "un file di dispositivo";
    case S_IFREG:
        break;
    default:
        return "un oggetto sconosciuto";
    }
    if (found.st_uid != ::geteuid())
        return "un file di un altro utente";
    return std::nullopt;
}

} // namespace

DatasetLock::Busy::Busy(std::string_view datasetID)
    : std::runtime_error("Il dataset «" + AppPaths::quotedDatasetID(datasetID)
        + "» è già in corso di importazione o installazione da un altro processo.")
{
}

DatasetLock::Obstructed::Obstructed(
    std::string_view datasetID, const std::filesystem::path& lockFile, std::string_view what)
    : std::runtime_error("Impossibile importare o installare il dataset «"
        + AppPaths::quotedDatasetID(datasetID) + "»: al posto del suo file di blocco " + lockFile.string()
        + " c'è " + std::string(what) + ", che si può rimuovere.")
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
        // Never blocks on a pipe; whatever is not a plain file is refused below.
        FileDescriptor file(
            ::open(file_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        if (!file) {
            const int openError = errno;
            if (auto what = obstacle(file_))
                throw Obstructed(datasetFolder.filename().string(), file_, *what);
            throw FileError("Impossibile creare il file", file_, openError);
        }
        if (struct stat opened {}; ::fstat(file.get(), &opened) == 0 && !S_ISREG(opened.st_mode))
            throw Obstructed(datasetFolder.filename().string(), file_,
                obstacle(file_).value_or("qualcosa che non è un file"));
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
