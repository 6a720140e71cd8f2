#pragma once

#include <cstddef>
#include <span>

namespace morvena {

// A whole regular file mapped read-only, unmapped when the object goes. The
// mapping stays valid after the descriptor it was made from is closed.
class FileMapping {
public:
    FileMapping() = default;
    // Maps the first `length` bytes of an open file; an empty length or a
    // failed mmap leaves the object empty (false), with errno set on failure.
    FileMapping(int descriptor, std::size_t length);
    ~FileMapping();
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    explicit operator bool() const { return base_ != nullptr; }
    const std::byte* data() const { return base_; }
    std::size_t size() const { return length_; }
    std::span<const std::byte> bytes() const { return {base_, length_}; }
    // Tells the kernel the file will be read once from front to back.
    void adviseSequential() const;

private:
    void unmap();

    const std::byte* base_ = nullptr;
    std::size_t length_ = 0;
};

} // namespace morvena
