#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// Text operations on UTF-8 shared by the database, the importers and the loaders.
// Ill-formed UTF-8 never makes them fail: each maximal ill-formed subsequence
// counts as one character that is neither a blank nor a letter, and operations
// that decode to build new text write it as U+FFFD.
namespace UnicodeText {

// Full Unicode lower-casing, independent of the user's locale ("İ" becomes "i̇").
std::string lowercased(std::string_view text);

// Two trimmings that differ on purpose; each returns a view into the text.
// Blanks only: Unicode space separators and TAB. Line breaks, even at the ends,
// belong to the text (table cells).
std::string_view trimmingBlanks(std::string_view text);
// Blanks and line breaks: every Unicode white space character (notes, search text).
std::string_view trimmingBlanksAndLineBreaks(std::string_view text);

// The runs of letters, marks and digits; every other character separates them.
std::vector<std::string_view> alphanumericWords(std::string_view text);

// The pieces between spaces, empty ones dropped, joined with single spaces. Only
// the space character separates: tabs and other blanks stay inside the pieces.
std::string collapsingSpaces(std::string_view text);

// Strict UTF-8: no overlong forms, surrogates or code points above U+10FFFF.
bool isValidUTF8(std::string_view text);
bool isASCII(std::string_view text);

// The code point that starts at byte `offset` (below the text's size) and its length
// in bytes, at least one; the value is negative for a maximal ill-formed subsequence.
struct CodePoint {
    std::int32_t value;
    std::size_t length;
};
CodePoint codePointAt(std::string_view text, std::size_t offset);

// The text with every maximal ill-formed subsequence replaced by one U+FFFD;
// valid sequences are kept byte for byte.
std::string repairedUTF8(std::string_view text);

// The text without what could disguise or garble it on a screen: the C0 and C1
// control characters with DEL, and the invisible bidirectional controls (U+061C,
// U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), which can show "ortsinis"
// as "sinistro". TAB, LF, VT, FF, CR and NEL become a space, every other one
// `replacement` (nothing by default); the controls listed in `kept` (ASCII only)
// stay. Ill-formed sequences are left as they are.
std::string replacingControls(
    std::string_view text, std::string_view replacement = {}, std::string_view kept = {});

// Whether the text holds a character that shows nothing of its own and changes
// how the text around it is shown or read: the C0 and C1 control characters with
// DEL, every format character (general category Cf: the bidirectional controls,
// zero-width spaces and joiners, the soft hyphen, tags), and the line and
// paragraph separators U+2028 and U+2029. Ill-formed sequences do not count.
bool containsInvisibleControls(std::string_view text);
// The text without those characters; everything else is kept byte for byte.
std::string removingInvisibleControls(std::string_view text);
// The text as a message may quote it: every invisible control and every
// ill-formed sequence becomes "?", and a text longer than `maximumBytes` is cut
// at the last user-perceived character boundary within them (inside the first
// character when that alone is longer, between code points) and gains "…".
std::string quotable(std::string_view text, std::size_t maximumBytes);

// The canonical composed form (NFC), under which canonically equivalent texts are
// equal byte for byte. Text that is not valid UTF-8 is returned as it is.
std::string canonicalForm(std::string_view text);

// Number of user-perceived characters (extended grapheme clusters): "e" followed
// by a combining acute accent is one.
std::size_t characterCount(std::string_view text);
// The first `count` user-perceived characters.
std::string_view leadingCharacters(std::string_view text, std::size_t count);
// The first `count` user-perceived characters, and of them those that end within the
// first `codePoints` code points; when the first character alone is longer, its first
// `codePoints` code points. A character of thousands of combining marks is one.
std::string_view leadingCharacters(std::string_view text, std::size_t count, std::size_t codePoints);

// Whether the two texts are the same once both are in canonical composed form
// (NFC): "é" as one code point equals "e" with a combining accent.
bool canonicallyEqual(std::string_view a, std::string_view b);

} // namespace UnicodeText

} // namespace morvena
