#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// One entry header of the archive's entry stream, followed in the stream by
// the bytes of its blobs in field order:
//
//   "AA01"  u16 LE size of the whole header  fields...
//
// A field is a three-letter key, a type character and a little-endian value:
//   '*' none             '1' '2' '4' '8' unsigned integer of that many bytes
//   'P' u16 length + text 'S' u64 seconds   'T' u64 seconds + u32 nanoseconds
//   'A' 'B' 'C' blob whose u16/u32/u64 size is in the header, bytes after it
//   'F' 'G' 'H' 'I' 'J' digests of 4, 20, 32, 48 and 64 bytes
// Our entries carry TYP1, PATP, MOD2, FLG4, MTMT, CTMT and, for files, the data
// blob DATB (DATC beyond 4 GiB). Readers take the fields in any order and skip
// unknown ones by their type character.
struct ArchiveEntry {
    struct Time {
        std::int64_t seconds = 0;
        std::uint32_t nanoseconds = 0;
        bool operator==(const Time&) const = default;
    };
    struct Blob {
        std::string key;
        std::uint64_t size = 0;
        bool operator==(const Blob&) const = default;
    };

    static constexpr std::string_view magic = "AA01";
    static constexpr std::size_t prefixSize = 6; // magic and header size
    static constexpr char file = 'F';
    static constexpr char directory = 'D';

    char type = 0;
    std::optional<std::string> path;
    std::optional<std::uint64_t> mode;
    std::optional<std::uint64_t> flags;
    std::optional<Time> modified;
    std::optional<Time> created;
    std::vector<Blob> blobs; // in stream order; "DAT" holds a file's bytes

    bool operator==(const ArchiveEntry&) const = default;

    // The size of the "DAT" blob; 0 without one.
    std::uint64_t dataSize() const;
    // The whole header. Throws ArchiveError when it exceeds the 16-bit size.
    std::vector<std::byte> encoded() const;
    // The header size from the first prefixSize bytes; throws ArchiveError
    // when they are not an entry header.
    static std::size_t headerSize(std::span<const std::byte, prefixSize> prefix);
    // The fields after the prefix. Throws ArchiveError for a field that runs
    // past the header, an unknown type character, a known key of the wrong
    // type or a repeated one.
    static ArchiveEntry decodeFields(std::span<const std::byte> fields);
};

} // namespace morvena
