#include "AnatomyImport/Readers/Internal/CrateCompression.h"

#include <gtest/gtest.h>

using namespace morvena;
using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<std::uint32_t>;

namespace {

template <typename Call> bool refused(Call call)
{
    try {
        call();
        return false;
    } catch (const CrateCompression::Error&) {
        return true;
    }
}

// One LZ4 block: "abc", a 9-byte match three back, then the literals "xyzxy".
const Bytes block {0x35, 'a', 'b', 'c', 0x03, 0x00, 0x50, 'x', 'y', 'z', 'x', 'y'};
const std::string blockText = "abcabcabcabcxyzxy";

Bytes container(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::string text(const Bytes& bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(CrateCompression, decodesEveryDeltaWidthAndWrapsAround)
{
    // Deltas 123, 1, 1, 100000, 0, 1, 0 with the common delta 1: codes 1 0 0 3 | 1 0 1.
    const Bytes encoded {1, 0, 0, 0, 0xC1, 0x11, 123, 0xA0, 0x86, 0x01, 0x00, 0, 0};
    EXPECT_EQ(CrateCompression::decodeIntegers(encoded, 7),
        (Values {123, 124, 125, 100125, 100125, 100126, 100126}));

    // Negative int8 and int16 deltas are sign-extended; sums wrap in 32 bits.
    const Bytes negative {0, 0, 0, 0, 0xC9, 0xFF, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x80};
    EXPECT_EQ(CrateCompression::decodeIntegers(negative, 4),
        (Values {0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFD, 0x7FFFFFFD}));

    // Codes that ask for more delta bytes than follow, and a missing codes byte.
    EXPECT_TRUE(
        refused([&] { CrateCompression::decodeIntegers(Bytes(encoded.begin(), encoded.end() - 1), 7); }));
    EXPECT_TRUE(refused([&] { CrateCompression::decodeIntegers(Bytes {1, 0, 0, 0}, 1); }));
    EXPECT_TRUE(CrateCompression::decodeIntegers(Bytes {}, 0).empty());
}

TEST(CrateCompression, decompressesWithinTheDeclaredSizeOnly)
{
    EXPECT_EQ(text(CrateCompression::decompress(container({{0}, block}), 100)), blockText);
    EXPECT_EQ(
        text(CrateCompression::decompress(container({{2}, {12, 0, 0, 0}, block, {12, 0, 0, 0}, block}), 100)),
        blockText + blockText);

    const std::vector<std::pair<const char*, Bytes>> damaged {
        {"empty", {}},
        {"trailing byte", container({{0}, block, {0}})},
        {"chunk size past the end", container({{1}, {13, 0, 0, 0}, block})},
        {"negative chunk size", container({{1}, {0xFF, 0xFF, 0xFF, 0xFF}, block})},
        {"missing chunk", container({{2}, {12, 0, 0, 0}, block})},
        {"match before the start", {0, 0x35, 'a', 'b', 'c', 0x09, 0x00, 0x50, 'x', 'y', 'z', 'x', 'y'}},
    };
    for (const auto& [what, bytes] : damaged)
        EXPECT_TRUE(refused([&] { CrateCompression::decompress(bytes, 100); })) << what;
    EXPECT_TRUE(refused([&] {
        CrateCompression::decompress(container({{0}, block}), blockText.size() - 1);
    }));
}

// A count that no block of that size could hold is refused before the values are
// allocated (a terabyte here), not after.
TEST(CrateCompression, refusesCountsTheBlockCannotHold)
{
    const Bytes tiny = container({{0}, block});
    EXPECT_TRUE(refused([&] { CrateCompression::decompressIntegers(tiny, std::size_t {1} << 40); }));
    EXPECT_TRUE(refused(
        [&] { CrateCompression::decompressIntegers(tiny, 8); })); // 17 bytes decode, but not as 8 values
}
