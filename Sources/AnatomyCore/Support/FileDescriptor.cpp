#include "AnatomyCore/Support/FileDescriptor.h"

#include <unistd.h>

#include <cerrno>

namespace morvena {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

int FileDescriptor::release()
{
    int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

void FileDescriptor::reset(int descriptor)
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = descriptor;
}

bool FileDescriptor::close()
{
    // Linux releases the descriptor even when close fails, so it is never retried.
    return ::close(release()) == 0;
}

std::optional<std::size_t> FileDescriptor::readFully(std::span<std::byte> buffer) const
{
    std::size_t total = 0;
    while (total < buffer.size()) {
        ssize_t count = ::read(descriptor_, buffer.data() + total, buffer.size() - total);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        total += static_cast<std::size_t>(count);
    }
    return total;
}

bool FileDescriptor::writeAll(std::span<const std::byte> bytes) const
{
    while (!bytes.empty()) {
        ssize_t count = ::write(descriptor_, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0) {
            errno = EIO;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
    return true;
}

} // namespace morvena
