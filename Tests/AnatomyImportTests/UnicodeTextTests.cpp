#include "AnatomyImport/CaselessPattern.h"
#include "AnatomyImport/UnicodeText.h"

#include <gtest/gtest.h>

using namespace morvena;

TEST(UnicodeText, trimsUnicodeSpaceSeparatorsAndTabsOnly)
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

TEST(UnicodeText, validatesUTF8Strictly)
{
    EXPECT_TRUE(UnicodeText::isValidUTF8(""));
    EXPECT_TRUE(UnicodeText::isValidUTF8("arteria è € 𝄞"));
    EXPECT_FALSE(UnicodeText::isValidUTF8("\xc0\xaf")); // overlong "/"
    EXPECT_FALSE(UnicodeText::isValidUTF8("\xed\xa0\x80")); // surrogate
    EXPECT_FALSE(UnicodeText::isValidUTF8("ok\xe2\x82")); // cut short at the end
    EXPECT_FALSE(UnicodeText::isValidUTF8("\xf4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(UnicodeText::isValidUTF8("\x80"));
    EXPECT_EQ(UnicodeText::repairedUTF8("a\xffz"), "a\ufffdz");
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

TEST(CaselessPatternDeathTest, aPatternThatDoesNotCompileStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(CaselessPattern("(unclosed"), "espressione regolare non valida");
}

TEST(CaselessPattern, searchesAnywhereIgnoringCase)
{
    CaselessPattern pattern(R"(\bmid\b|brain)");
    EXPECT_TRUE(pattern.search("MIDBRAIN"));
    EXPECT_TRUE(pattern.search("the mid line"));
    EXPECT_FALSE(pattern.search("amid"));
    EXPECT_FALSE(pattern.search(""));
    EXPECT_TRUE(CaselessPattern("^$").search(""));
    EXPECT_TRUE(CaselessPattern("fémur").search("Head of FÉMUR"));
}
