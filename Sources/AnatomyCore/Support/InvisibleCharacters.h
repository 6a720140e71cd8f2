#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvena {

// Characters of a name that show nothing on a screen. A name made of them, or with
// them between its letters, looks empty or like another name ("sinistro" and
// "sini<zero width space>stro"), and laying thousands of them out costs as much as
// letters. The window leaves them out of names; the database keeps them, and dataset
// ids may hold none of them.
namespace InvisibleCharacters {

// The text without format characters and default-ignorable code points, but for
// those that change how their neighbours look: variation selectors; the zero width
// joiner and non-joiner between two letters or marks of one script other than Latin,
// or between two emoji; the tag characters of a subdivision flag after U+1F3F4; and
// the Hangul fillers U+115F and U+1160 inside a syllable. The line and paragraph
// separators become spaces. Ill-formed UTF-8 is kept as it is.
std::string removed(std::string_view text);

// The part of a name that a structure id derived from it keeps: what removed()
// keeps, with the line and paragraph separators left out rather than turned
// into spaces, as an id that breaks a line garbles every listing that quotes it.
std::string visiblePart(std::string_view name);

// Whether removed() drops the code point, or turns it into a space, in some
// context. Ids and folder names may hold none of them: a text without any
// shows all it holds. A negative value (an ill-formed sequence) is none.
bool removable(std::int32_t codePoint);
// Whether the text holds a removable code point.
bool containsRemovable(std::string_view text);
// The text with "?" for each code point that a new dataset id may not hold for
// how little it shows: the removable ones, those containsUnseen finds, the
// white space and blank braille patterns of either end and the combining marks
// it starts with. For a message or listing that quotes an id or folder name: a
// name of Hangul fillers is not quoted as a blank, nor "skel" + U+FE0F as "skel".
std::string masked(std::string_view text);

// Whether the text holds nothing but white space and blank braille patterns (U+2800).
bool nothingVisible(std::string_view text);

// Whether the text holds a code point that shows nothing of its own though removed()
// keeps it: a variation selector (after a character with no such variant), the null
// notehead U+1D159 or the object replacement character U+FFFC, which stands for
// nothing that a name could hold.
bool containsUnseen(std::string_view text);
// Whether the first or the last code point is white space or a blank braille
// pattern: the text looks like the one without it.
bool blankAtAnEnd(std::string_view text);
// Whether the first code point is a combining mark, which draws itself on whatever
// is shown before the text.
bool startsWithMark(std::string_view text);

} // namespace InvisibleCharacters

} // namespace morvena
