#include "AnatomyCore/Archive/Internal/ArchiveBlocks.h"

#include "AnatomyCore/Archive/ArchiveError.h"

#include <lzma.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

namespace morvena::ArchiveBlocks {

namespace {

// LZMA2 at the xz tool's default level 6, with a dictionary no larger than a
// block: a block is coded alone, so a larger one would only cost memory
// (the level's 8 MiB dictionary needs about 94 MiB per coding thread).
const lzma_options_lzma& lzmaOptions()
{
    static const lzma_options_lzma options = [] {
        lzma_options_lzma value {};
        lzma_lzma_preset(&value, 6);
        value.dict_size = static_cast<std::uint32_t>(blockSize);
        return value;
    }();
    return options;
}

// Decoding a block needs about its dictionary; anything claiming far more is
// not one of ours.
constexpr std::uint64_t decoderMemoryLimit = 64 << 20;

} // namespace

unsigned threadCount(unsigned requested)
{
    unsigned count = requested ? requested : std::thread::hardware_concurrency();
    return std::clamp(count, 1u, 64u);
}

void runInParallel(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work)
{
    std::vector<std::exception_ptr> failures(count);
    std::atomic<std::size_t> next {0};
    auto worker = [&] {
        for (std::size_t index; (index = next.fetch_add(1)) < count;) {
            try {
                work(index);
            } catch (...) {
                failures[index] = std::current_exception();
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < std::min<std::size_t>(threads, count); ++i)
            helpers.emplace_back(worker);
        worker();
    }
    for (const auto& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

void putBigEndian64(std::byte* out, std::uint64_t value)
{
    for (int i = 7; i >= 0; --i, value >>= 8)
        out[i] = static_cast<std::byte>(value & 0xFF);
}

std::uint64_t bigEndian64(const std::byte* in)
{
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | static_cast<std::uint8_t>(in[i]);
    return value;
}

CodedBlock code(std::span<const std::byte> raw)
{
    CodedBlock block;
    block.bytes.resize(blockHeaderSize + lzma_stream_buffer_bound(raw.size()));
    lzma_options_lzma options = lzmaOptions();
    lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::size_t coded = 0;
    lzma_ret result = lzma_stream_buffer_encode(filters, LZMA_CHECK_CRC64, nullptr,
        reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size(),
        reinterpret_cast<std::uint8_t*>(block.bytes.data() + blockHeaderSize), &coded,
        block.bytes.size() - blockHeaderSize);
    if (result != LZMA_OK)
        throw ArchiveError("Compressione LZMA non riuscita (codice " + std::to_string(result) + ").");
    if (coded >= raw.size()) {
        block.stored = true;
        std::copy(raw.begin(), raw.end(), block.bytes.begin() + blockHeaderSize);
        coded = raw.size();
    }
    block.bytes.resize(blockHeaderSize + coded);
    putBigEndian64(block.bytes.data(), raw.size());
    putBigEndian64(block.bytes.data() + 8, coded);
    return block;
}

void decode(std::span<const std::byte> stored, std::span<std::byte> raw)
{
    if (stored.size() == raw.size()) {
        std::copy(stored.begin(), stored.end(), raw.begin());
        return;
    }
    if (stored.size() > raw.size())
        throw ArchiveError::damaged("un blocco compresso è più grande del suo contenuto");
    if (stored.size() < xzMagic.size() || std::memcmp(stored.data(), xzMagic.data(), xzMagic.size()) != 0)
        throw ArchiveError::damaged("un blocco non è un flusso xz");
    std::uint64_t memoryLimit = decoderMemoryLimit;
    std::size_t inPosition = 0, outPosition = 0;
    lzma_ret result = lzma_stream_buffer_decode(&memoryLimit, 0, nullptr,
        reinterpret_cast<const std::uint8_t*>(stored.data()), &inPosition, stored.size(),
        reinterpret_cast<std::uint8_t*>(raw.data()), &outPosition, raw.size());
    // LZMA_BUF_ERROR: the stream would yield more than the block header says
    // (or is cut short); a shorter yield or bytes after the stream are refused
    // too, so a block is exactly what its header declares.
    if (result == LZMA_BUF_ERROR && outPosition == raw.size())
        throw ArchiveError::damaged("un blocco contiene più dati di quanti ne dichiara");
    if (result != LZMA_OK)
        throw ArchiveError::damaged(
            "un blocco xz è danneggiato o incompleto (codice " + std::to_string(result) + ")");
    if (outPosition != raw.size() || inPosition != stored.size())
        throw ArchiveError::damaged("un blocco xz non corrisponde alle dimensioni dichiarate");
}

} // namespace morvena::ArchiveBlocks
