#include "mrvtool/RawPackReader.h"

#include "AnatomyCore/MeshPackError.h"
#include "AnatomyCore/PackHeader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>

namespace morvena::tool {

namespace {

struct Unmap {
    std::size_t length = 0;
    void operator()(const std::byte* base) const { ::munmap(const_cast<std::byte*>(base), length); }
};

// Whether `count` records of `stride` bytes at `offset` lie inside a file of
// `fileSize` bytes, at an offset the records can be read from in place.
bool sectionFits(std::uint64_t offset, std::uint64_t count, std::uint64_t stride, std::uint64_t fileSize)
{
    // count and stride are 32-bit values, so their product cannot overflow.
    std::uint64_t length = count * stride;
    return offset <= fileSize && length <= fileSize - offset && offset % alignof(std::uint32_t) == 0;
}

} // namespace

RawPackReader::RawPackReader(const std::filesystem::path& url)
{
    // Non-blocking, so that a FIFO in place of the pack cannot hang the command. The
    // mapping outlives the descriptor, which is closed as soon as it is made.
    int descriptor = ::open(url.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        throw MeshPackError::cannotOpen(url.string());
    struct stat status { };
    bool regular = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    bool longEnough = regular && status.st_size > static_cast<off_t>(PackFormat::headerSize);
    auto length = longEnough ? static_cast<std::size_t>(status.st_size) : 0;
    void* mapped = longEnough ? ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, descriptor, 0) : MAP_FAILED;
    ::close(descriptor);
    if (!regular)
        throw MeshPackError::cannotOpen(url.string());
    if (!longEnough)
        throw MeshPackError::truncated();
    if (mapped == MAP_FAILED || mapped == nullptr)
        throw MeshPackError::cannotOpen(url.string());
    std::unique_ptr<const std::byte, Unmap> mapping(static_cast<const std::byte*>(mapped), Unmap {length});

    PackHeader header;
    std::memcpy(&header, mapping.get(), sizeof header);
    if (header.magic != PackFormat::magic)
        throw MeshPackError::badMagic();
    if (header.version != PackFormat::version)
        throw MeshPackError::badVersion(header.version);
    if (!sectionFits(header.structuresOffset, header.structureCount, PackFormat::structureStride, length)
        || !sectionFits(header.indicesOffset, header.indexCount, sizeof(std::uint32_t), length)
        || !sectionFits(header.verticesOffset, header.vertexCount, PackFormat::vertexStride, length)
        || !sectionFits(header.stringsOffset, header.stringsLength, 1, length))
        throw MeshPackError::truncated();

    base_ = mapping.release();
    byteCount_ = length;
    structures_
        = {reinterpret_cast<const PackStructure*>(base_ + header.structuresOffset), header.structureCount};
    indices_ = {reinterpret_cast<const std::uint32_t*>(base_ + header.indicesOffset), header.indexCount};
    vertexCount_ = header.vertexCount;
    strings_ = {reinterpret_cast<const char*>(base_ + header.stringsOffset), header.stringsLength};
}

RawPackReader::~RawPackReader()
{
    Unmap {byteCount_}(base_);
}

std::string RawPackReader::conceptID(std::size_t structureIndex) const
{
    if (structureIndex >= structures_.size())
        return {};
    std::uint64_t offset = structures_[structureIndex].conceptOffset;
    if (offset >= strings_.size())
        return {};
    std::string_view rest(strings_.data() + offset, strings_.size() - offset);
    return std::string(rest.substr(0, rest.find('\0')));
}

} // namespace morvena::tool
