#include "AnatomyCore/Support/InvisibleCharacters.h"

#include "AnatomyCore/Support/UnicodeText.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace morvena::InvisibleCharacters {

namespace {

constexpr UChar32 zeroWidthNonJoiner = 0x200C;
constexpr UChar32 zeroWidthJoiner = 0x200D;
constexpr UChar32 lineSeparator = 0x2028;
constexpr UChar32 paragraphSeparator = 0x2029;
constexpr UChar32 blankBraillePattern = 0x2800;
// The flag that tag characters turn into a country's subdivision (Scotland, Wales).
constexpr UChar32 blackFlag = 0x1F3F4;
constexpr UChar32 firstTag = 0xE0020;
constexpr UChar32 cancelTag = 0xE007F;
// The fillers of conjoining jamo: an empty initial consonant and an empty vowel,
// which complete a syllable that lacks one; on their own they show nothing.
constexpr UChar32 choseongFiller = 0x115F;
constexpr UChar32 jungseongFiller = 0x1160;
// Fillers of the compatibility jamo, which never belong to a syllable.
constexpr UChar32 hangulFiller = 0x3164;
constexpr UChar32 halfwidthHangulFiller = 0xFFA0;

// A code point and where it starts in the text.
struct CodePoint {
    UChar32 value; // negative for a maximal ill-formed subsequence
    std::size_t start;
    std::size_t length;
};

std::vector<CodePoint> decoded(std::string_view text)
{
    std::vector<CodePoint> points;
    points.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size(); offset += points.back().length) {
        const auto point = UnicodeText::codePointAt(text, offset);
        points.push_back({point.value, offset, point.length});
    }
    return points;
}

bool has(UChar32 c, UProperty property)
{
    return c >= 0 && u_hasBinaryProperty(c, property);
}

bool isLetterOrMark(UChar32 c)
{
    return c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK)) != 0;
}

bool isTag(UChar32 c)
{
    return c >= firstTag && c <= cancelTag;
}

bool isFiller(UChar32 c)
{
    return c == choseongFiller || c == jungseongFiller;
}

UScriptCode scriptOf(UChar32 c)
{
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(c, &status);
    return U_SUCCESS(status) ? script : USCRIPT_INVALID_CODE;
}

bool hasScriptOfItsOwn(UScriptCode script)
{
    return script != USCRIPT_COMMON && script != USCRIPT_INHERITED && script != USCRIPT_INVALID_CODE
        && script != USCRIPT_UNKNOWN;
}

// The script of the letters and marks that end just before `end`: a mark of no script
// of its own (a combining accent) takes that of the letter it sits on.
UScriptCode scriptBefore(const std::vector<CodePoint>& points, std::size_t end)
{
    for (std::size_t i = end; i-- > 0 && isLetterOrMark(points[i].value);)
        if (const auto script = scriptOf(points[i].value); hasScriptOfItsOwn(script))
            return script;
    return USCRIPT_INVALID_CODE;
}

// Whether a letter or mark of `script` may follow: a mark of no script of its own goes
// with the letters before it.
bool continuesScript(UChar32 c, UScriptCode script)
{
    if (!isLetterOrMark(c))
        return false;
    if (const auto own = scriptOf(c); hasScriptOfItsOwn(own))
        return own == script;
    return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0 || uscript_hasScript(c, script);
}

// A joiner between two letters of Arabic, Persian or an Indic script shapes them; in
// Latin text it only hides a difference.
bool joinsLetters(const std::vector<CodePoint>& points, std::size_t at)
{
    const auto script = scriptBefore(points, at);
    return hasScriptOfItsOwn(script) && script != USCRIPT_LATIN && at + 1 < points.size()
        && continuesScript(points[at + 1].value, script);
}

// A joiner between two emoji makes one of them (a family, a profession); the one
// before may carry a skin tone or a presentation selector.
bool joinsEmoji(const std::vector<CodePoint>& points, std::size_t at)
{
    std::size_t before = at;
    while (before > 0
        && (has(points[before - 1].value, UCHAR_VARIATION_SELECTOR)
            || has(points[before - 1].value, UCHAR_EMOJI_MODIFIER)))
        --before;
    return before > 0 && has(points[before - 1].value, UCHAR_EXTENDED_PICTOGRAPHIC) && at + 1 < points.size()
        && has(points[at + 1].value, UCHAR_EXTENDED_PICTOGRAPHIC);
}

UHangulSyllableType jamoType(UChar32 c)
{
    if (c < 0)
        return U_HST_NOT_APPLICABLE;
    return static_cast<UHangulSyllableType>(u_getIntPropertyValue(c, UCHAR_HANGUL_SYLLABLE_TYPE));
}

// Whether conjoining jamo of these two kinds belong to one syllable, as grapheme
// clusters join them: an initial before anything of its syllable, a vowel before a
// vowel or final, a final before a final.
bool sameSyllable(UHangulSyllableType before, UHangulSyllableType after)
{
    switch (before) {
    case U_HST_LEADING_JAMO:
        return after == U_HST_LEADING_JAMO || after == U_HST_VOWEL_JAMO || after == U_HST_LV_SYLLABLE
            || after == U_HST_LVT_SYLLABLE;
    case U_HST_VOWEL_JAMO:
    case U_HST_LV_SYLLABLE:
        return after == U_HST_VOWEL_JAMO || after == U_HST_TRAILING_JAMO;
    case U_HST_TRAILING_JAMO:
    case U_HST_LVT_SYLLABLE:
        return after == U_HST_TRAILING_JAMO;
    default:
        return false;
    }
}

// For each code point, whether it is a Hangul filler in a syllable of fillers alone.
std::vector<bool> emptySyllableFillers(const std::vector<CodePoint>& points)
{
    std::vector<bool> empty(points.size(), false);
    for (std::size_t start = 0; start < points.size();) {
        std::size_t end = start + 1;
        if (jamoType(points[start].value) != U_HST_NOT_APPLICABLE)
            while (end < points.size()
                && sameSyllable(jamoType(points[end - 1].value), jamoType(points[end].value)))
                ++end;
        const bool fillersOnly = std::all_of(points.begin() + static_cast<std::ptrdiff_t>(start),
            points.begin() + static_cast<std::ptrdiff_t>(end),
            [](const CodePoint& p) { return isFiller(p.value); });
        if (fillersOnly)
            std::fill(empty.begin() + static_cast<std::ptrdiff_t>(start),
                empty.begin() + static_cast<std::ptrdiff_t>(end), true);
        start = end;
    }
    return empty;
}

constexpr UChar32 nullNotehead = 0x1D159;
constexpr UChar32 objectReplacement = 0xFFFC;

bool isBlank(UChar32 c)
{
    return c == blankBraillePattern || (c >= 0 && u_isUWhiteSpace(c));
}

bool isMark(UChar32 c)
{
    return c >= 0 && (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// Kept by removed(), yet nothing of its own on a screen: a variation selector
// after a character with no such variant, or a stand-in for nothing a name holds.
bool isUnseen(UChar32 c)
{
    return c == nullNotehead || c == objectReplacement || has(c, UCHAR_VARIATION_SELECTOR);
}

enum class Fate { kept, dropped, space };

struct Context {
    const std::vector<CodePoint>& points;
    const std::vector<bool>& emptySyllableFiller;
    bool afterFlag; // the code points since the last that is no tag follow the black flag
};

Fate fateOf(const Context& context, std::size_t at)
{
    const UChar32 c = context.points[at].value;
    if (!removable(c))
        return Fate::kept;
    if (c == lineSeparator || c == paragraphSeparator)
        return Fate::space;
    if (c == hangulFiller || c == halfwidthHangulFiller)
        return Fate::dropped;
    if (isFiller(c))
        return context.emptySyllableFiller[at] ? Fate::dropped : Fate::kept;
    if (c == zeroWidthJoiner || c == zeroWidthNonJoiner)
        return joinsLetters(context.points, at) || joinsEmoji(context.points, at) ? Fate::kept
                                                                                  : Fate::dropped;
    if (isTag(c))
        return context.afterFlag ? Fate::kept : Fate::dropped;
    return Fate::dropped;
}

} // namespace

bool removable(std::int32_t c)
{
    if (c < 0)
        return false;
    if (c == lineSeparator || c == paragraphSeparator)
        return true;
    // Every other one is a format character or ignorable: the joiners, the tags
    // and the Hangul fillers are. Variation selectors, though ignorable, pick
    // how the character before them looks.
    if (has(c, UCHAR_VARIATION_SELECTOR))
        return false;
    return u_charType(c) == U_FORMAT_CHAR || has(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

bool containsRemovable(std::string_view text)
{
    if (UnicodeText::isASCII(text))
        return false;
    for (std::size_t offset = 0; offset < text.size();) {
        const auto point = UnicodeText::codePointAt(text, offset);
        if (removable(point.value))
            return true;
        offset += point.length;
    }
    return false;
}

std::string removed(std::string_view text)
{
    // No ASCII character is a format character or ignorable.
    if (UnicodeText::isASCII(text))
        return std::string(text);
    const auto points = decoded(text);
    const auto emptySyllableFiller = emptySyllableFillers(points);
    Context context {points, emptySyllableFiller, false};
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < points.size(); ++at) {
        const auto& point = points[at];
        switch (fateOf(context, at)) {
        case Fate::kept:
            result.append(text.substr(point.start, point.length));
            break;
        case Fate::space:
            result.push_back(' ');
            break;
        case Fate::dropped:
            break;
        }
        if (!isTag(point.value))
            context.afterFlag = point.value == blackFlag;
    }
    return result;
}

std::string visiblePart(std::string_view name)
{
    std::string text(name);
    for (std::string_view separator : {"\u2028", "\u2029"})
        for (auto at = text.find(separator); at != std::string::npos; at = text.find(separator, at))
            text.erase(at, separator.size());
    return removed(text);
}

std::string masked(std::string_view text)
{
    const auto points = decoded(text);
    // The blanks of either end, and the marks a text starts with, show nothing of their own there.
    std::size_t leadingBlanks = 0;
    while (leadingBlanks < points.size() && isBlank(points[leadingBlanks].value))
        ++leadingBlanks;
    std::size_t trailingBlanks = points.size();
    while (trailingBlanks > leadingBlanks && isBlank(points[trailingBlanks - 1].value))
        --trailingBlanks;
    std::size_t leadingMarks = 0;
    while (leadingBlanks == 0 && leadingMarks < points.size() && isMark(points[leadingMarks].value))
        ++leadingMarks;
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < points.size(); ++at) {
        const auto& point = points[at];
        const bool hidden = removable(point.value) || isUnseen(point.value) || at < leadingBlanks
            || at >= trailingBlanks || at < leadingMarks;
        shown += hidden ? "?" : text.substr(point.start, point.length);
    }
    return shown;
}

bool nothingVisible(std::string_view text)
{
    for (std::size_t offset = 0; offset < text.size();) {
        const auto point = UnicodeText::codePointAt(text, offset);
        if (!isBlank(point.value))
            return false;
        offset += point.length;
    }
    return true;
}

bool containsUnseen(std::string_view text)
{
    for (const auto& point : decoded(text))
        if (isUnseen(point.value))
            return true;
    return false;
}

bool blankAtAnEnd(std::string_view text)
{
    const auto points = decoded(text);
    return !points.empty() && (isBlank(points.front().value) || isBlank(points.back().value));
}

bool startsWithMark(std::string_view text)
{
    return !text.empty() && isMark(UnicodeText::codePointAt(text, 0).value);
}

} // namespace morvena::InvisibleCharacters
