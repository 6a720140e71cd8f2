#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace morvena {

// The two codings of the binary USD layer ("crate") format: LZ4 blocks in a small
// chunk container, and the integer coding of index lists that is LZ4-compressed in
// turn. Both work on untrusted bytes: every size is bounded before anything is
// allocated and every read is checked against the bytes there are.
namespace CrateCompression {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An LZ4 sequence turns at most one input byte into 255 output bytes, so no block
// decompresses to more than this many times its size.
inline constexpr std::uint64_t maximumExpansion = 255;
// No single block of a layer may decompress to more than this.
inline constexpr std::uint64_t maximumBlockSize = std::uint64_t {1} << 30;

// Container layout: one byte, the chunk count. 0: the rest is a single LZ4 block.
// N > 0: N chunks follow, each a little-endian int32 size and that many bytes of
// LZ4 block. Returns at most `maximumSize` bytes (also capped by the expansion
// bound and maximumBlockSize); throws Error when the data do not decode within
// that or bytes follow the last chunk.
std::vector<std::uint8_t> decompress(std::span<const std::uint8_t> compressed, std::uint64_t maximumSize);

// Integer coding of `count` 32-bit values, as deltas from the previous value
// (the first from 0):
//   int32 common delta | 2-bit code per value, four to a byte, lowest bits first |
//   the values' deltas: code 0 the common one, 1 an int8, 2 an int16, 3 an int32.
// Sums wrap around in 32 bits. Throws Error when the codes ask for more bytes than
// there are.
std::vector<std::uint32_t> decodeIntegers(std::span<const std::uint8_t> encoded, std::size_t count);

// decompress() then decodeIntegers(): how the format stores its index lists.
std::vector<std::uint32_t> decompressIntegers(std::span<const std::uint8_t> compressed, std::size_t count);

} // namespace CrateCompression

} // namespace morvena
