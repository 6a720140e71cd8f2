#include "mrvtool/Publishing/WebFileNames.h"

#include <gtest/gtest.h>

namespace morvena::tool {
namespace {

TEST(WebFileNames, unsafeBytesBecomeUnderscoresAndSafeTextStays)
{
    EXPECT_EQ(WebFileNames::sanitized("FMA7088"), "FMA7088");
    EXPECT_EQ(WebFileNames::sanitized("città-ß"), "città-ß");
    EXPECT_EQ(WebFileNames::sanitized(""), "_");
    EXPECT_EQ(WebFileNames::sanitized(".."), "_.");
    EXPECT_EQ(WebFileNames::sanitized("a\x7f\x1b[0m"), "a__[0m");
    // A lone continuation byte, a truncated sequence, an overlong "/" and a surrogate.
    EXPECT_EQ(WebFileNames::sanitized("x\x80y\xc3"), "x_y_");
    EXPECT_EQ(WebFileNames::sanitized("\xc0\xaf"), "__");
    EXPECT_EQ(WebFileNames::sanitized("\xed\xa0\x80"), "___");
}

TEST(WebFileNames, longIDsAreCutOnACharacterBoundary)
{
    std::string id;
    for (int i = 0; i < 150; ++i)
        id += "è"; // two bytes each
    auto name = WebFileNames::sanitized(id);
    EXPECT_EQ(name.size(), 200u);
    EXPECT_EQ(name.substr(198), "è");
}

TEST(WebFileNames, everyStructureGetsAFileOfItsOwn)
{
    std::vector<std::string> ids {"a/b", "a_b", "a\\b", "FMA1", "FMA1", "a_b~2"};
    WebFileNames names(ids);
    EXPECT_EQ(names[1], "a_b");
    EXPECT_EQ(names[3], "FMA1");
    EXPECT_EQ(names[5], "a_b~2");
    EXPECT_EQ(names[0], "a_b~3");
    EXPECT_EQ(names[2], "a_b~4");
    EXPECT_EQ(names[4], "FMA1~2");
}

} // namespace
} // namespace morvena::tool
