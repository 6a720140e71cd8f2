#include "AnatomyImport/UTF8Text.h"

#include <gtest/gtest.h>

using namespace morvena;

TEST(UTF8Text, keepsValidTextAndReplacesEachMaximalBadSubsequenceOnce)
{
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(UTF8Text::repaired("Femore \xC3\xA8 \xE2\x82\xAC \xF0\x9F\xA6\xB4"),
        "Femore \xC3\xA8 \xE2\x82\xAC \xF0\x9F\xA6\xB4");
    EXPECT_EQ(UTF8Text::repaired("\xFF"), replacement);
    EXPECT_EQ(UTF8Text::repaired("a\xE2\x82"), "a" + replacement); // truncated sequence: one mark
    EXPECT_EQ(UTF8Text::repaired("\xE2\x82z"), replacement + "z");
    EXPECT_EQ(UTF8Text::repaired("\xC0\xAF"), replacement + replacement); // overlong
    EXPECT_EQ(UTF8Text::repaired("\xED\xA0\x80"), replacement + replacement + replacement); // surrogate
    EXPECT_EQ(UTF8Text::repaired("\xF4\x90\x80\x80"), replacement + replacement + replacement + replacement);
    EXPECT_EQ(UTF8Text::repaired(std::string_view("\0x", 2)), std::string("\0x", 2));
}

TEST(UTF8Text, trimsAsciiBlanksAtBothEnds)
{
    EXPECT_EQ(UTF8Text::trimmed(" \t Left femur \r\n"), "Left femur");
    EXPECT_EQ(UTF8Text::trimmed(" \t "), "");
    EXPECT_EQ(UTF8Text::trimmed(""), "");
}
