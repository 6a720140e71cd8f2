#include "AnatomyImport/Readers/Internal/CrateCompression.h"

#include "AnatomyImport/Readers/Internal/LittleEndian.h"

#include <lz4.h>

#include <algorithm>
#include <climits>
#include <string>

namespace morvena::CrateCompression {

namespace {

using Bytes = std::span<const std::uint8_t>;

[[noreturn]] void fail(const std::string& detail)
{
    throw Error(detail);
}

// Decodes one LZ4 block into `output`; returns the bytes written.
std::size_t decodeBlock(Bytes block, std::span<std::uint8_t> output)
{
    if (block.size() > static_cast<std::size_t>(INT_MAX))
        fail("blocco compresso troppo grande");
    const int written = LZ4_decompress_safe(reinterpret_cast<const char*>(block.data()),
        reinterpret_cast<char*>(output.data()), static_cast<int>(block.size()),
        static_cast<int>(std::min<std::size_t>(output.size(), INT_MAX)));
    if (written < 0)
        fail("blocco compresso danneggiato");
    return static_cast<std::size_t>(written);
}

// The codes section's size for `count` values.
std::size_t codeBytes(std::size_t count)
{
    return count / 4 + (count % 4 != 0);
}

} // namespace

std::vector<std::uint8_t> decompress(Bytes compressed, std::uint64_t maximumSize)
{
    if (compressed.empty())
        fail("blocco compresso vuoto");
    const std::uint64_t capacity = std::min(
        {maximumSize, maximumBlockSize, maximumExpansion * static_cast<std::uint64_t>(compressed.size())});
    std::vector<std::uint8_t> output(static_cast<std::size_t>(capacity));
    const unsigned chunkCount = compressed[0];
    Bytes rest = compressed.subspan(1);
    std::size_t produced = 0;
    if (chunkCount == 0) {
        produced = decodeBlock(rest, output);
        rest = {};
    }
    for (unsigned chunk = 0; chunk < chunkCount; ++chunk) {
        const std::uint32_t size = LittleEndian::load32(rest, 0);
        if (rest.size() < 4 || size > rest.size() - 4)
            fail("blocco compresso troncato");
        produced += decodeBlock(rest.subspan(4, size), std::span(output).subspan(produced));
        rest = rest.subspan(4 + size);
    }
    if (!rest.empty())
        fail("byte in eccesso dopo il blocco compresso");
    output.resize(produced);
    return output;
}

std::vector<std::uint32_t> decodeIntegers(Bytes encoded, std::size_t count)
{
    if (count == 0)
        return {};
    if (encoded.size() < 4 || codeBytes(count) > encoded.size() - 4)
        fail("interi codificati troncati");
    const std::uint32_t common = LittleEndian::load32(encoded, 0);
    const Bytes codes = encoded.subspan(4, codeBytes(count));
    Bytes deltas = encoded.subspan(4 + codes.size());
    const auto take = [&](std::size_t width) {
        if (deltas.size() < width)
            fail("interi codificati troncati");
        std::uint32_t value = 0; // sign-extended to 32 bits, so the sums wrap as the writer's do
        for (std::size_t b = 0; b < width; ++b)
            value |= std::uint32_t {deltas[b]} << (8 * b);
        if (width < 4 && (value >> (8 * width - 1)) != 0)
            value |= ~((std::uint32_t {1} << (8 * width)) - 1);
        deltas = deltas.subspan(width);
        return value;
    };
    std::vector<std::uint32_t> values(count);
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        switch ((codes[i / 4] >> (2 * (i % 4))) & 3) {
        case 0:
            previous += common;
            break;
        case 1:
            previous += take(1);
            break;
        case 2:
            previous += take(2);
            break;
        default:
            previous += take(4);
            break;
        }
        values[i] = previous;
    }
    return values;
}

std::vector<std::uint32_t> decompressIntegers(Bytes compressed, std::size_t count)
{
    if (count == 0)
        return {};
    // The coding needs at least its common value and the codes, and at most four
    // bytes more per value; a count the block could never hold is refused before
    // the values are allocated.
    const std::uint64_t least = 4 + codeBytes(count);
    if (least > maximumExpansion * compressed.size() || least > maximumBlockSize)
        fail("troppi interi per il blocco compresso");
    return decodeIntegers(decompress(compressed, least + 4 * static_cast<std::uint64_t>(count)), count);
}

} // namespace morvena::CrateCompression
