#include "AnatomyImport/Readers/StoredZip.h"

#include "StoredZipWriter.h"

#include <gtest/gtest.h>

using namespace morvena;
using Reason = StoredZip::Error::Reason;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::optional<Reason> rejection(const std::string& archive)
{
    try {
        StoredZip::entries(bytesOf(archive));
        return std::nullopt;
    } catch (const StoredZip::Error& error) {
        return error.reason();
    }
}

const std::string twoMembers
    = test::storedZip({{"scene.usda", "#usda 1.0\n"}, {"textures/bone.png", std::string("\x89PNG\0\1", 6)}});

} // namespace

TEST(StoredZip, membersRoundTripInPlaceAndInOrder)
{
    for (const std::string& comment : {std::string(), std::string("made by a test")}) {
        const std::string archive
            = test::storedZip({{"scene.usda", "#usda 1.0\n"}, {"empty", ""}, {"b", "xyz"}}, comment);
        auto entries = StoredZip::entries(bytesOf(archive));
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[0].name, "scene.usda");
        EXPECT_EQ(std::string(entries[0].data.begin(), entries[0].data.end()), "#usda 1.0\n");
        EXPECT_TRUE(entries[1].data.empty());
        EXPECT_EQ(std::string(entries[2].data.begin(), entries[2].data.end()), "xyz");
        EXPECT_GE(entries[2].data.data(), reinterpret_cast<const std::uint8_t*>(archive.data()));
    }
    EXPECT_TRUE(StoredZip::entries(bytesOf(test::storedZip({}))).empty());
}

TEST(StoredZip, everyTruncatedPrefixIsRejected)
{
    for (std::size_t length = 0; length < twoMembers.size(); ++length)
        EXPECT_TRUE(rejection(twoMembers.substr(0, length))) << length;
}

TEST(StoredZip, trailingBytesCompressionAndDamageHaveTheirOwnReasons)
{
    EXPECT_EQ(rejection(twoMembers + "garbage"), Reason::trailingBytes);

    std::string deflated = twoMembers;
    deflated[8] = 8; // local header method
    const auto central = deflated.find("PK\1\2");
    deflated[central + 10] = 8;
    EXPECT_EQ(rejection(deflated), Reason::compressed);

    std::string damaged = twoMembers;
    damaged[30 + 10] ^= 1; // first byte of the first member's data
    EXPECT_EQ(rejection(damaged), Reason::malformed);

    std::string pointsAway = twoMembers;
    pointsAway[central + 42] = '\x7F'; // local header offset far past the members
    EXPECT_TRUE(rejection(pointsAway));

    std::string zip64 = twoMembers;
    const auto end = zip64.rfind("PK\5\6");
    zip64[end + 16] = zip64[end + 17] = zip64[end + 18] = zip64[end + 19] = '\xFF';
    EXPECT_EQ(rejection(zip64), Reason::malformed);
}
