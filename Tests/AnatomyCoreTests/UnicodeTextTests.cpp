#include "AnatomyCore/Internal/UnicodeText.h"

#include <gtest/gtest.h>

#include <string>

using namespace morvena::unicode;
using Words = std::vector<std::string_view>;

TEST(UnicodeText, trimmingRemovesUnicodeBlanksAndLineBreaksAtBothEndsOnly)
{
    EXPECT_EQ(trimmingBlanks(" \t\r\n\u00A0\u2028omero  destro\u3000\n"), "omero  destro");
    EXPECT_EQ(trimmingBlanks("\u00A0\u2003"), "");
    EXPECT_EQ(trimmingBlanks(""), "");
    EXPECT_EQ(trimmingBlanks("x"), "x");
    // A malformed byte is text, not a blank.
    EXPECT_EQ(trimmingBlanks(" \xff "), "\xff");
}

TEST(UnicodeText, wordsAreRunsOfLettersMarksAndDigits)
{
    EXPECT_EQ(alphanumericWords("Arteria (carotide) comune—sinistra, C3"),
        (Words {"Arteria", "carotide", "comune", "sinistra", "C3"}));
    // A combining accent stays inside its word; other scripts and digits count.
    EXPECT_EQ(alphanumericWords("pterigo\u0300ideo·骨 ½x"), (Words {"pterigo\u0300ideo", "骨", "½x"}));
    EXPECT_EQ(alphanumericWords("\"*-^:()"), Words {});
    EXPECT_EQ(alphanumericWords("ab\xff\xfe"
                                "cd\xe2\x82"),
        (Words {"ab", "cd"}));
}
