#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace morvena {

// The block container around a dataset archive's entries:
//
//   "pbzx"  u64 BE block size (1,048,576)
//   per block: u64 BE raw size, u64 BE stored size, stored bytes
//
// Each block holds the next raw-size bytes of the entry stream, coded alone as
// an xz stream (LZMA2), or stored as they are when coding would not make them
// smaller (stored size == raw size). Blocks are independent, so they are
// coded in parallel and decoding one never needs more than one block of memory.
namespace ArchiveBlocks {

inline constexpr std::string_view magic = "pbzx";
inline constexpr std::size_t streamHeaderSize = 12;
inline constexpr std::size_t blockHeaderSize = 16;
inline constexpr std::uint64_t blockSize = 1 << 20;
// Largest block size a reader accepts from a stream header: it bounds the
// memory that one block may claim.
inline constexpr std::uint64_t maxBlockSize = 16 << 20;
inline constexpr std::string_view xzMagic {"\xFD"
                                           "7zXZ\0",
    6};

struct CodedBlock {
    std::vector<std::byte> bytes; // header and stored bytes
    bool stored = false; // true when kept uncompressed
};

// Codes one block of at most blockSize bytes. Throws ArchiveError.
CodedBlock code(std::span<const std::byte> raw);
// Decodes the stored bytes of a block into `raw`, whose size is the block's
// raw size. The xz stream must end exactly at the end of `stored` and yield
// exactly raw.size() bytes. Throws ArchiveError.
void decode(std::span<const std::byte> stored, std::span<std::byte> raw);

// Threads for coding or decoding blocks: `requested`, or one per processor
// when 0.
unsigned threadCount(unsigned requested);
// Runs work(0) ... work(count - 1) on up to `threads` threads and waits for
// all; then rethrows the failure of the lowest index, if any.
void runInParallel(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work);

void putBigEndian64(std::byte* out, std::uint64_t value);
std::uint64_t bigEndian64(const std::byte* in);

} // namespace ArchiveBlocks

} // namespace morvena
