#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace morvena {

// An owned POSIX file descriptor, closed when the object goes. The read and
// write helpers retry interrupted and partial transfers; on failure they leave
// the reason in errno for the caller's FileError.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor)
        : descriptor_(descriptor)
    {
    }
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept
        : descriptor_(other.release())
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return descriptor_; }
    explicit operator bool() const { return descriptor_ >= 0; }
    int release();
    void reset(int descriptor = -1);
    // Closes now, reporting the result: false with errno set when close fails.
    bool close();

    // Reads until `buffer` is full or the file ends; the byte count, or
    // nothing when a read fails.
    std::optional<std::size_t> readFully(std::span<std::byte> buffer) const;
    // Writes all of `bytes`; false when a write fails.
    bool writeAll(std::span<const std::byte> bytes) const;

private:
    int descriptor_ = -1;
};

} // namespace morvena
