#include "AnatomyCore/UnicodeText.h"

#include <gtest/gtest.h>

#include <string>

using namespace morvena;
using Words = std::vector<std::string_view>;

TEST(UnicodeText, trimmingBlanksRemovesSpaceSeparatorsAndTabsOnly)
{
    EXPECT_EQ(UnicodeText::trimmingBlanks(" \t\u00a0\u2003valore\u3000\u202f "), "valore");
    EXPECT_EQ(UnicodeText::trimmingBlanks("a b"), "a b");
    EXPECT_EQ(UnicodeText::trimmingBlanks(" \t "), "");
    EXPECT_EQ(UnicodeText::trimmingBlanks(""), "");
    // Zero-width space and line ends are not blanks.
    EXPECT_EQ(UnicodeText::trimmingBlanks("\u200bx\n"), "\u200bx\n");
    // A broken sequence at either end is kept, not cut in the middle.
    EXPECT_EQ(UnicodeText::trimmingBlanks(" \xe2\x82 "), "\xe2\x82");
    EXPECT_EQ(UnicodeText::trimmingBlanks("\xc3 "), "\xc3");
}

TEST(UnicodeText, trimmingBlanksAndLineBreaksRemovesUnicodeWhiteSpaceAtBothEndsOnly)
{
    EXPECT_EQ(UnicodeText::trimmingBlanksAndLineBreaks(" \t\r\n\u00A0\u2028omero  destro\u3000\n"),
        "omero  destro");
    EXPECT_EQ(UnicodeText::trimmingBlanksAndLineBreaks("\u00A0\u2003"), "");
    EXPECT_EQ(UnicodeText::trimmingBlanksAndLineBreaks(""), "");
    EXPECT_EQ(UnicodeText::trimmingBlanksAndLineBreaks("x"), "x");
    // A malformed byte is text, not a blank.
    EXPECT_EQ(UnicodeText::trimmingBlanksAndLineBreaks(" \xff "), "\xff");
}

TEST(UnicodeText, trimmingASCIIBlanksAndLineBreaksRemovesAsciiWhiteSpaceOnly)
{
    EXPECT_EQ(UnicodeText::trimmingASCIIBlanksAndLineBreaks(" \t Left femur \r\n"), "Left femur");
    EXPECT_EQ(UnicodeText::trimmingASCIIBlanksAndLineBreaks(" \t\v\f "), "");
    EXPECT_EQ(UnicodeText::trimmingASCIIBlanksAndLineBreaks(""), "");
    EXPECT_EQ(UnicodeText::trimmingASCIIBlanksAndLineBreaks("\u00A0x\u3000"), "\u00A0x\u3000");
}

TEST(UnicodeText, theTrimmingsDifferOnlyInWhatCountsAsBlank)
{
    constexpr std::string_view text = " \u00A0x y\v\n";
    EXPECT_EQ(UnicodeText::trimmingBlanks(text), "x y\v\n");
    EXPECT_EQ(UnicodeText::trimmingBlanksAndLineBreaks(text), "x y");
    EXPECT_EQ(UnicodeText::trimmingASCIIBlanksAndLineBreaks(text), "\u00A0x y");
}

TEST(UnicodeText, wordsAreRunsOfLettersMarksAndDigits)
{
    EXPECT_EQ(UnicodeText::alphanumericWords("Arteria (carotide) comune—sinistra, C3"),
        (Words {"Arteria", "carotide", "comune", "sinistra", "C3"}));
    // A combining accent stays inside its word; other scripts and digits count.
    EXPECT_EQ(
        UnicodeText::alphanumericWords("pterigo\u0300ideo·骨 ½x"), (Words {"pterigo\u0300ideo", "骨", "½x"}));
    EXPECT_EQ(UnicodeText::alphanumericWords("\"*-^:()"), Words {});
    EXPECT_EQ(UnicodeText::alphanumericWords("ab\xff\xfe"
                                             "cd\xe2\x82"),
        (Words {"ab", "cd"}));
}

TEST(UnicodeText, validatesUTF8Strictly)
{
    EXPECT_TRUE(UnicodeText::isValidUTF8(""));
    EXPECT_TRUE(UnicodeText::isValidUTF8("arteria è € 𝄞"));
    EXPECT_TRUE(UnicodeText::isValidUTF8(std::string_view("\0x", 2)));
    EXPECT_FALSE(UnicodeText::isValidUTF8("\xc0\xaf")); // overlong "/"
    EXPECT_FALSE(UnicodeText::isValidUTF8("\xed\xa0\x80")); // surrogate
    EXPECT_FALSE(UnicodeText::isValidUTF8("ok\xe2\x82")); // cut short at the end
    EXPECT_FALSE(UnicodeText::isValidUTF8("\xf4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(UnicodeText::isValidUTF8("\x80"));
}

TEST(UnicodeText, repairKeepsValidTextAndReplacesEachMaximalBadSubsequenceOnce)
{
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(UnicodeText::repairedUTF8("Femore \xC3\xA8 \xE2\x82\xAC \xF0\x9F\xA6\xB4"),
        "Femore \xC3\xA8 \xE2\x82\xAC \xF0\x9F\xA6\xB4");
    EXPECT_EQ(UnicodeText::repairedUTF8("a\xffz"), "a" + replacement + "z");
    EXPECT_EQ(UnicodeText::repairedUTF8("\xFF"), replacement);
    EXPECT_EQ(UnicodeText::repairedUTF8("a\xE2\x82"), "a" + replacement); // truncated sequence: one mark
    EXPECT_EQ(UnicodeText::repairedUTF8("\xE2\x82z"), replacement + "z");
    EXPECT_EQ(UnicodeText::repairedUTF8("\xC0\xAF"), replacement + replacement); // overlong
    EXPECT_EQ(
        UnicodeText::repairedUTF8("\xED\xA0\x80"), replacement + replacement + replacement); // surrogate
    EXPECT_EQ(
        UnicodeText::repairedUTF8("\xF4\x90\x80\x80"), replacement + replacement + replacement + replacement);
    EXPECT_EQ(UnicodeText::repairedUTF8(std::string_view("\0x", 2)), std::string("\0x", 2));
}

TEST(UnicodeText, lowerCasesFullUnicodeWithoutLocale)
{
    EXPECT_EQ(UnicodeText::lowercased("Femur"), "femur");
    EXPECT_EQ(UnicodeText::lowercased("ÉPAULE ΣΩΜΑ"), "épaule σωμα");
    EXPECT_EQ(UnicodeText::lowercased("IRIS"), "iris"); // no Turkish dotless i
    EXPECT_EQ(UnicodeText::lowercased("a\xff"), "a\ufffd");
}

TEST(UnicodeText, collapsesRunsOfSpacesOnly)
{
    EXPECT_EQ(UnicodeText::collapsingSpaces("  a   b c  "), "a b c");
    EXPECT_EQ(UnicodeText::collapsingSpaces("a\t b"), "a\t b");
    EXPECT_EQ(UnicodeText::collapsingSpaces("   "), "");
}
