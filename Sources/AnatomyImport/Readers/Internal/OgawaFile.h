#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <unordered_set>

namespace morvena {

// The container of an Alembic archive in the Ogawa layout, over the mapped bytes
// of an untrusted file. The file is a tree of groups addressed by byte offsets:
//
//   0  "Ogawa" | 5 0xff once the writer closed the file | 6 version, big-endian
//      uint16 (1) | 8 uint64 offset of the root group
//   group: uint64 child count, then that many uint64 child offsets
//   child offset: top bit set = a data block at the remaining bits (uint64 size,
//      then the bytes), top bit alone = empty data; 0 = the empty group
//
// Every offset and size is checked against the file before it is read. A group is
// opened at most once: the format lets many parents point at one group, which
// would make a walk of the tree exponential in a small file.
class OgawaFile {
public:
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    using Bytes = std::span<const std::uint8_t>;

    // An opened group: where its child offsets start and how many there are.
    struct Group {
        std::uint64_t position = 0;
        std::uint64_t childCount = 0;
    };

    // Throws Error when the header is not a closed Ogawa file of version 1.
    explicit OgawaFile(Bytes bytes);

    // The root group; opening it counts as its one visit.
    Group root();

    bool isData(const Group& parent, std::uint64_t index) const;
    // The child group at `index`, opened; the empty group has no children. Throws
    // when the child is a data block, lies outside the file or was opened before.
    Group group(const Group& parent, std::uint64_t index);
    // The bytes of the data block at `index`; empty for empty data. Throws when
    // the child is a group or the block does not lie inside the file.
    Bytes data(const Group& parent, std::uint64_t index) const;

private:
    std::uint64_t childOffset(const Group& parent, std::uint64_t index) const;
    Group open(std::uint64_t offset);

    Bytes bytes_;
    std::uint64_t rootOffset_ = 0;
    std::unordered_set<std::uint64_t> opened_;
};

} // namespace morvena
