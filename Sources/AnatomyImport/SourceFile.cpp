#include "AnatomyImport/SourceFile.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvena {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path)
{
    throw std::system_error(errno, std::generic_category(), path.string());
}

class Descriptor {
public:
    explicit Descriptor(int fd)
        : fd_(fd)
    {
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

SourceFile::SourceFile(const std::filesystem::path& path)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
        size_ = static_cast<std::size_t>(info.st_size);
        if (size_ == 0)
            return;
        mapping_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, file.get(), 0);
        if (mapping_ == MAP_FAILED) {
            mapping_ = nullptr;
            fail(path);
        }
        ::madvise(mapping_, size_, MADV_SEQUENTIAL);
        data_ = static_cast<const std::uint8_t*>(mapping_);
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

SourceFile::~SourceFile()
{
    if (mapping_)
        ::munmap(mapping_, size_);
}

} // namespace morvena
