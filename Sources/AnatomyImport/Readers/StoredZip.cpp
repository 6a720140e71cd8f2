#include "AnatomyImport/Readers/StoredZip.h"

#include "AnatomyImport/Readers/Internal/LittleEndian.h"

#include <array>
#include <optional>

namespace morvena::StoredZip {

namespace {

using Bytes = std::span<const std::uint8_t>;

// Record layouts (all integers little-endian):
//   end of central directory, 22 bytes + comment:
//     0 signature 0x06054B50 | 4 disk | 6 directory disk | 8 entries on disk |
//     10 entries | 12 directory size | 16 directory offset | 20 comment length
//   central directory header, 46 bytes + name + extra + comment:
//     0 signature 0x02014B50 | 8 flags | 10 method | 16 crc-32 | 20 compressed size |
//     24 size | 28 name length | 30 extra length | 32 comment length | 42 local header offset
//   local file header, 30 bytes + name + extra, then the data:
//     0 signature 0x04034B50 | 26 name length | 28 extra length
constexpr std::uint32_t endSignature = 0x06054B50;
constexpr std::uint32_t centralSignature = 0x02014B50;
constexpr std::uint32_t localSignature = 0x04034B50;
constexpr std::size_t endSize = 22;
constexpr std::size_t centralSize = 46;
constexpr std::size_t localSize = 30;
constexpr std::uint16_t flagEncrypted = 1;
constexpr std::uint16_t methodStored = 0;

[[noreturn]] void fail(Error::Reason reason, const std::string& detail)
{
    throw Error(reason, detail);
}

// A view of `size` bytes at `offset`, or a `truncated` error when they are not all there.
Bytes range(Bytes bytes, std::uint64_t offset, std::uint64_t size, const char* what)
{
    if (offset > bytes.size() || size > bytes.size() - offset)
        fail(Error::Reason::truncated, what);
    return bytes.subspan(offset, size);
}

using LittleEndian::load16;
using LittleEndian::load32;

std::uint32_t crc32(Bytes data)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> entries {};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : data)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// The end record is the last signature whose comment reaches exactly to the end;
// a record whose comment stops short means bytes were appended.
std::size_t findEnd(Bytes archive)
{
    if (archive.size() < endSize)
        fail(Error::Reason::truncated, "record finale assente");
    const std::size_t last = archive.size() - endSize;
    const std::size_t first = last > 0xFFFF ? last - 0xFFFF : 0;
    std::optional<std::size_t> shortOfEnd;
    for (std::size_t at = last + 1; at-- > first;) {
        if (load32(archive, at) != endSignature)
            continue;
        const std::size_t end = at + endSize + load16(archive, at + 20);
        if (end == archive.size())
            return at;
        if (end < archive.size() && !shortOfEnd)
            shortOfEnd = at;
    }
    if (shortOfEnd)
        fail(Error::Reason::trailingBytes, "byte dopo il record finale");
    fail(Error::Reason::truncated, "record finale assente");
}

Entry readEntry(Bytes archive, Bytes directory, std::uint64_t& cursor, std::uint64_t dataLimit)
{
    const Bytes header = range(directory, cursor, centralSize, "voce della directory troncata");
    if (load32(header, 0) != centralSignature)
        fail(Error::Reason::malformed, "firma della directory errata");
    const std::uint16_t flags = load16(header, 8), method = load16(header, 10);
    const std::uint32_t crc = load32(header, 16), compressedSize = load32(header, 20),
                        size = load32(header, 24);
    const std::uint16_t nameLength = load16(header, 28), extraLength = load16(header, 30),
                        commentLength = load16(header, 32);
    const std::uint32_t localOffset = load32(header, 42);
    const Bytes name = range(directory, cursor + centralSize, nameLength, "nome troncato");
    cursor += centralSize + std::uint64_t {nameLength} + extraLength + commentLength;
    if (cursor > directory.size())
        fail(Error::Reason::truncated, "voce della directory troncata");
    if (method != methodStored || (flags & flagEncrypted))
        fail(Error::Reason::compressed, "voce compressa o cifrata");
    if (compressedSize != size || size == 0xFFFFFFFFu || localOffset == 0xFFFFFFFFu)
        fail(Error::Reason::malformed, "dimensioni incoerenti");

    const Bytes local = range(archive, localOffset, localSize, "intestazione locale troncata");
    if (load32(local, 0) != localSignature)
        fail(Error::Reason::malformed, "firma locale errata");
    const std::uint64_t dataStart
        = std::uint64_t {localOffset} + localSize + load16(local, 26) + load16(local, 28);
    if (dataStart > dataLimit || size > dataLimit - dataStart)
        fail(Error::Reason::malformed, "dati fuori dall'area dei membri");
    const Bytes data = archive.subspan(dataStart, size);
    if (crc32(data) != crc)
        fail(Error::Reason::malformed, "CRC errato");
    return {std::string(name.begin(), name.end()), data};
}

} // namespace

Error::Error(Reason reason, const std::string& detail)
    : std::runtime_error("Archivio zip non valido: " + detail)
    , reason_(reason)
{
}

std::vector<Entry> entries(std::span<const std::uint8_t> archive)
{
    const std::size_t endAt = findEnd(archive);
    const Bytes end = archive.subspan(endAt, endSize);
    const std::uint16_t count = load16(end, 10);
    const std::uint32_t directorySize = load32(end, 12), directoryOffset = load32(end, 16);
    if (load16(end, 4) != 0 || load16(end, 6) != 0 || load16(end, 8) != count || count == 0xFFFF
        || directoryOffset == 0xFFFFFFFFu)
        fail(Error::Reason::malformed, "archivio multiplo o zip64");
    // Members lie before the directory, and the directory ends where the end record starts.
    if (std::uint64_t {directoryOffset} + directorySize != endAt)
        fail(directoryOffset > endAt ? Error::Reason::truncated : Error::Reason::malformed,
            "directory fuori posto");
    const Bytes directory = archive.subspan(directoryOffset, directorySize);

    std::vector<Entry> result;
    result.reserve(count);
    std::uint64_t cursor = 0;
    for (std::uint16_t i = 0; i < count; ++i)
        result.push_back(readEntry(archive, directory, cursor, directoryOffset));
    if (cursor != directory.size())
        fail(Error::Reason::malformed, "directory con byte in eccesso");
    return result;
}

} // namespace morvena::StoredZip
