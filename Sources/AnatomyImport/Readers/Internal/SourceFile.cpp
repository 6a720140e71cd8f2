#include "AnatomyImport/Readers/Internal/SourceFile.h"

#include "AnatomyCore/Support/FileDescriptor.h"

#include <cerrno>
#include <system_error>

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

SourceFile::SourceFile(const std::filesystem::path& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        fail(path);
    struct stat info { };
    if (::fstat(file.get(), &info) != 0)
        fail(path);
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        fail(path);
    }
    if (S_ISREG(info.st_mode)) {
        auto size = static_cast<std::size_t>(info.st_size);
        if (size == 0)
            return;
        mapping_ = FileMapping(file.get(), size);
        if (!mapping_)
            fail(path);
        mapping_.adviseSequential();
        data_ = reinterpret_cast<const std::uint8_t*>(mapping_.data());
        size_ = size;
        return;
    }
    std::uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail(path);
        if (got == 0)
            break;
        copy_.insert(copy_.end(), chunk, chunk + got);
    }
    data_ = copy_.data();
    size_ = copy_.size();
}

} // namespace morvena
