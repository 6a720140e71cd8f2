#include "AnatomyCore/Support/FileMapping.h"

#include <sys/mman.h>

#include <utility>

namespace morvena {

FileMapping::FileMapping(int descriptor, std::size_t length)
{
    if (length == 0)
        return;
    void* base = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (base == MAP_FAILED || base == nullptr)
        return;
    base_ = static_cast<const std::byte*>(base);
    length_ = length;
}

FileMapping::~FileMapping()
{
    unmap();
}

FileMapping::FileMapping(FileMapping&& other) noexcept
    : base_(std::exchange(other.base_, nullptr))
    , length_(std::exchange(other.length_, 0))
{
}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept
{
    if (this != &other) {
        unmap();
        base_ = std::exchange(other.base_, nullptr);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

void FileMapping::adviseSequential() const
{
    if (base_)
        ::madvise(const_cast<std::byte*>(base_), length_, MADV_SEQUENTIAL);
}

void FileMapping::unmap()
{
    if (base_)
        ::munmap(const_cast<std::byte*>(base_), length_);
    base_ = nullptr;
    length_ = 0;
}

} // namespace morvena
