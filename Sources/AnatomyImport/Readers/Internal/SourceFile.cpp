#include "AnatomyImport/Readers/Internal/SourceFile.h"

#include "AnatomyCore/Support/FileDescriptor.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvena {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path)
{
    throw std::system_error(errno, std::generic_category(), path.string());
}

} // namespace

SourceFile::NotRegular::NotRegular()
    : std::system_error(std::make_error_code(std::errc::invalid_argument))
{
}

const char* SourceFile::NotRegular::what() const noexcept
{
    return "non è un file regolare";
}

SourceFile::SourceFile(const std::filesystem::path& path)
{
    // Non-blocking, so that opening a FIFO returns at once to be refused.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        fail(path);
    struct stat info { };
    if (::fstat(file.get(), &info) != 0)
        fail(path);
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        fail(path);
    }
    if (!S_ISREG(info.st_mode))
        throw NotRegular();
    auto size = static_cast<std::size_t>(info.st_size);
    if (size == 0)
        return;
    mapping_ = FileMapping(file.get(), size);
    if (!mapping_)
        fail(path);
    mapping_.adviseSequential();
    data_ = reinterpret_cast<const std::uint8_t*>(mapping_.data());
    size_ = size;
}

} // namespace morvena
