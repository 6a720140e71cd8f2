#include "AnatomyCore/Pack/PackFile.h"

#include "AnatomyCore/Pack/MeshPackError.h"
#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyCore/Support/SystemText.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace morvena {

namespace {

constexpr std::uint64_t offsetLimit = std::uint64_t(1) << 63;

// The end of a section of `count` records of `stride` bytes at `offset`, or
// nothing when it would not fit in a signed 64-bit file offset.
std::optional<std::uint64_t> sectionEnd(std::uint64_t offset, std::uint64_t count, std::uint64_t stride)
{
    if (offset >= offsetLimit)
        return std::nullopt;
    std::uint64_t end = offset + count * stride; // count and stride are at most 32 bits each
    if (end >= offsetLimit)
        return std::nullopt;
    return end;
}

void requireSectionWithin(
    std::uint64_t offset, std::uint64_t count, std::uint64_t stride, std::uint64_t fileSize)
{
    auto end = sectionEnd(offset, count, stride);
    if (!end || *end > fileSize)
        throw MeshPackError::truncated();
    // The sections are used as typed arrays in place, which needs their
    // records' alignment; the builder aligns them to 16384 bytes.
    if (offset % alignof(std::uint32_t) != 0)
        throw MeshPackError::truncated();
}

} // namespace

PackFile::PackFile(const std::filesystem::path& url)
{
    // Non-blocking, so that a FIFO given as a pack cannot hang the open. The
    // mapping outlives the descriptor.
    FileDescriptor file(::open(url.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file)
        throw MeshPackError::cannotOpen(url.string(), SystemText::reason(errno));
    struct stat status { };
    if (::fstat(file.get(), &status) != 0)
        throw MeshPackError::cannotOpen(url.string(), SystemText::reason(errno));
    if (!S_ISREG(status.st_mode))
        throw MeshPackError::cannotOpen(url.string(), "non è un file regolare");
    if (status.st_size <= static_cast<off_t>(PackFormat::headerSize))
        throw MeshPackError::truncated();
    mapping_ = FileMapping(file.get(), static_cast<std::size_t>(status.st_size));
    if (!mapping_)
        throw MeshPackError::cannotOpen(url.string(), SystemText::reason(errno));

    std::memcpy(&header_, mapping_.data(), sizeof header_);
    if (header_.magic != PackFormat::magic)
        throw MeshPackError::badMagic();
    if (header_.version != PackFormat::version)
        throw MeshPackError::badVersion(header_.version);
    const auto fileSize = mapping_.size();
    requireSectionWithin(header_.indicesOffset, header_.indexCount, sizeof(std::uint32_t), fileSize);
    requireSectionWithin(header_.verticesOffset, header_.vertexCount, PackFormat::vertexStride, fileSize);
    requireSectionWithin(
        header_.structuresOffset, header_.structureCount, PackFormat::structureStride, fileSize);
    requireSectionWithin(header_.stringsOffset, header_.stringsLength, 1, fileSize);
}

} // namespace morvena
