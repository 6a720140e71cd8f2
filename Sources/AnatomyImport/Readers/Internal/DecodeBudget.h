#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace morvena {

// What a reader of an untrusted file may decode from it: every table and array it
// builds, counted as it is built. An array that the format lets many places share
// counts at each use, so sharing cannot turn a small file into an unbounded amount
// of memory. The budget grows with the file: a mesh with per-corner normals decodes
// about three times its archive, so sixteen times leaves a sound file room while a
// reader's peak stays the file plus a bounded multiple of it.
class DecodeBudget {
public:
    static constexpr std::uint64_t perFileByte = 16;

    DecodeBudget(std::uint64_t fileSize, std::uint64_t least)
        : limit_(std::max(least, fileSize > unlimited / perFileByte ? unlimited : fileSize * perFileByte))
    {
    }

    // Counts `count` items of `width` bytes each; false, counting nothing, when
    // they do not fit in what is left.
    [[nodiscard]] bool spend(std::uint64_t count, std::uint64_t width)
    {
        if (width != 0 && count > (limit_ - spent_) / width)
            return false;
        spent_ += count * width;
        return true;
    }

private:
    static constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();

    std::uint64_t limit_;
    std::uint64_t spent_ = 0;
};

} // namespace morvena
