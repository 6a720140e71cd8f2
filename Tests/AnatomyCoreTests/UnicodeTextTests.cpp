#include "AnatomyCore/Support/UnicodeText.h"

#include <gtest/gtest.h>

#include <string>

using namespace morvena;
using Words = std::vector<std::string_view>;

// Each text through the two trimmings, which differ on purpose in what counts as blank.
TEST(UnicodeText, trimmingsRemoveOnlyTheirOwnBlanksAtBothEnds)
{
    struct Trimmed {
        std::string_view text;
        std::string_view blanks; // space separators and TAB
        std::string_view blanksAndLineBreaks; // all Unicode white space
    };
    const Trimmed cases[] = {
        {"", "", ""},
        {"x", "x", "x"},
        {"a b", "a b", "a b"},
        {" \t ", "", ""},
        {" \t\v\f ", "\v\f", ""},
        {" \t\u00a0\u2003valore\u3000\u202f ", "valore", "valore"},
        {"\u00A0\u2003", "", ""},
        {" \t\r\n\u00A0\u2028omero  destro\u3000\n", "\r\n\u00A0\u2028omero  destro\u3000\n",
            "omero  destro"},
        {" \t Left femur \r\n", "Left femur \r\n", "Left femur"},
        {" \u00A0x y\v\n", "x y\v\n", "x y"},
        // A zero-width space is no blank for any of them.
        {"\u200bx\n", "\u200bx\n", "\u200bx"},
        // A malformed sequence at either end is text, kept whole rather than cut in the middle.
        {" \xe2\x82 ", "\xe2\x82", "\xe2\x82"},
        {"\xc3 ", "\xc3", "\xc3"},
        {" \xff ", "\xff", "\xff"},
    };
    for (const Trimmed& expected : cases) {
        SCOPED_TRACE(::testing::PrintToString(expected.text));
        EXPECT_EQ(UnicodeText::trimmingBlanks(expected.text), expected.blanks);
        EXPECT_EQ(UnicodeText::trimmingBlanksAndLineBreaks(expected.text), expected.blanksAndLineBreaks);
    }
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

TEST(UnicodeText, canonicalFormComposesValidTextAndKeepsTheRestAsItIs)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""},
        {"femore", "femore"},
        {"e\xCC\x81", "\xC3\xA9"}, // e + combining acute
        {"\xC3\xA9", "\xC3\xA9"},
        {"\xE1\x84\x80\xE1\x85\xA1", "\xEA\xB0\x80"}, // Hangul jamo compose
        {"A\xCC\x8A\xCC\xA3", "\xE1\xBA\xA0\xCC\x8A"}, // marks reordered before composing
        {"e\xCC\x81\xC0\xAF", "e\xCC\x81\xC0\xAF"}, // ill-formed: untouched
        {"e\xCC\x81\xED\xA0\x80", "e\xCC\x81\xED\xA0\x80"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(UnicodeText::canonicalForm(text), expected) << testing::PrintToString(std::string(text));
}

TEST(UnicodeText, countsAndCutsUserPerceivedCharacters)
{
    struct Case {
        std::string_view text;
        std::size_t count;
        std::string_view firstTwo;
    };
    const Case cases[] = {
        {"", 0, ""}, {"ab", 2, "ab"}, {"abc", 3, "ab"},
        {"e\u0301xè", 3, "e\u0301x"}, // a combining accent belongs to its letter
        {"\r\nx", 2, "\r\nx"}, // CR LF is one character
        {"🇮🇹!", 2, "🇮🇹!"}, // a flag is two code points
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnicodeText::characterCount(c.text), c.count) << c.text;
        EXPECT_EQ(UnicodeText::leadingCharacters(c.text, 2), c.firstTwo) << c.text;
    }
    EXPECT_EQ(UnicodeText::leadingCharacters("è", 0), "");
}

TEST(UnicodeText, canonicalEqualityComposesBothSides)
{
    EXPECT_TRUE(UnicodeText::canonicallyEqual("caffè", "caffe\u0300"));
    EXPECT_TRUE(UnicodeText::canonicallyEqual("", ""));
    EXPECT_FALSE(UnicodeText::canonicallyEqual("caffè", "caffe"));
    EXPECT_FALSE(UnicodeText::canonicallyEqual("Omero", "omero"));
}
