#include "AnatomyCore/Support/UnicodeText.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

namespace morvena::UnicodeText {

bool isASCII(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

namespace {

struct Character {
    UChar32 codePoint; // negative for a maximal ill-formed subsequence
    std::size_t length; // its bytes, at least one
};

// Inlined into every scan: the decoder is small next to a call, and runs of
// ASCII then cost one comparison a byte.
[[gnu::always_inline]] inline Character characterAt(std::string_view text, std::size_t offset)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data()) + offset;
    if (bytes[0] < 0x80)
        return {bytes[0], 1};
    // One character is at most four bytes, so decoding never needs a longer
    // window, whatever the length of the text (ICU indexes with int32_t).
    const auto window = static_cast<std::int32_t>(std::min<std::size_t>(text.size() - offset, 4));
    std::int32_t length = 0;
    UChar32 codePoint = 0;
    U8_NEXT(bytes, length, window, codePoint);
    return {codePoint, static_cast<std::size_t>(length)};
}

// The character that ends at `end`, decoded backwards without looking before `start`.
Character characterBefore(std::string_view text, std::size_t start, std::size_t end)
{
    if (const auto byte = static_cast<std::uint8_t>(text[end - 1]); byte < 0x80)
        return {byte, 1};
    const std::size_t windowStart = std::max(start, end - std::min<std::size_t>(end, 4));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data()) + windowStart;
    auto offset = static_cast<std::int32_t>(end - windowStart);
    UChar32 codePoint = 0;
    U8_PREV(bytes, 0, offset, codePoint);
    return {codePoint, end - windowStart - static_cast<std::size_t>(offset)};
}

// Calls visit(character, start) for every character of the text.
template <class Visit> void forEachCharacter(std::string_view text, Visit&& visit)
{
    for (std::size_t offset = 0; offset < text.size();) {
        const Character character = characterAt(text, offset);
        visit(character, offset);
        offset += character.length;
    }
}

// The text without the characters at either end for which isBlank holds; a
// malformed sequence is never a blank.
template <class IsBlank> std::string_view trimming(std::string_view text, IsBlank isBlank)
{
    auto blank
        = [&](Character character) { return character.codePoint >= 0 && isBlank(character.codePoint); };
    std::size_t start = 0;
    for (Character character; start < text.size() && blank(character = characterAt(text, start));)
        start += character.length;
    std::size_t end = text.size();
    for (Character character; end > start && blank(character = characterBefore(text, start, end));)
        end -= character.length;
    return text.substr(start, end - start);
}

// ICU indexes with int32_t; longer texts are cut rather than overflowing it.
icu::UnicodeString fromUTF8(std::string_view text)
{
    constexpr std::size_t limit = std::numeric_limits<std::int32_t>::max();
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(std::min(text.size(), limit))));
}

// The byte offsets at which the first `limit` user-perceived characters end, those
// that end within the first `bytes` bytes.
std::vector<std::size_t> characterEnds(
    std::string_view text, std::size_t limit, std::size_t bytes = std::numeric_limits<std::size_t>::max())
{
    std::vector<std::size_t> ends;
    // Plain ASCII without carriage returns (CR LF is one character) has one
    // character per byte.
    if (isASCII(text) && text.find('\r') == std::string_view::npos) {
        for (std::size_t i = 1; i <= std::min(text.size(), bytes) && ends.size() < limit; ++i)
            ends.push_back(i);
        return ends;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, decltype(&utext_close)> utf8(
        utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status), &utext_close);
    std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_SUCCESS(status))
        iterator->setText(utf8.get(), status);
    if (U_FAILURE(status))
        return ends;
    for (auto end = iterator->next();
         end != icu::BreakIterator::DONE && ends.size() < limit && static_cast<std::size_t>(end) <= bytes;
         end = iterator->next())
        ends.push_back(static_cast<std::size_t>(end));
    return ends;
}

} // namespace

CodePoint codePointAt(std::string_view text, std::size_t offset)
{
    const Character character = characterAt(text, offset);
    return {character.codePoint, character.length};
}

std::string lowercased(std::string_view text)
{
    if (isASCII(text)) {
        std::string result(text);
        for (char& c : result)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return result;
    }
    auto unicode = fromUTF8(text);
    unicode.toLower(icu::Locale::getRoot());
    std::string result;
    unicode.toUTF8String(result);
    return result;
}

std::string_view trimmingBlanks(std::string_view text)
{
    return trimming(text, [](UChar32 c) { return c == U'\t' || u_charType(c) == U_SPACE_SEPARATOR; });
}

std::string_view trimmingBlanksAndLineBreaks(std::string_view text)
{
    return trimming(text, [](UChar32 c) { return u_isUWhiteSpace(c) != 0; });
}

std::vector<std::string_view> alphanumericWords(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t wordStart = 0;
    bool inWord = false;
    forEachCharacter(text, [&](Character character, std::size_t start) {
        const bool alphanumeric = character.codePoint >= 0
            && (U_GET_GC_MASK(character.codePoint) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
        if (alphanumeric && !inWord)
            wordStart = start;
        else if (!alphanumeric && inWord)
            words.push_back(text.substr(wordStart, start - wordStart));
        inWord = alphanumeric;
    });
    if (inWord)
        words.push_back(text.substr(wordStart));
    return words;
}

std::string collapsingSpaces(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        auto end = text.find(' ', position);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > position) {
            if (!result.empty())
                result.push_back(' ');
            result.append(text.substr(position, end - position));
        }
        position = end + 1;
    }
    return result;
}

bool isValidUTF8(std::string_view text)
{
    for (std::size_t offset = 0; offset < text.size();) {
        const Character character = characterAt(text, offset);
        if (character.codePoint < 0)
            return false;
        offset += character.length;
    }
    return true;
}

std::string repairedUTF8(std::string_view text)
{
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string repaired;
    repaired.reserve(text.size());
    // Valid runs are copied whole; only the ill-formed pieces between them are replaced.
    std::size_t validStart = 0;
    forEachCharacter(text, [&](Character character, std::size_t start) {
        if (character.codePoint >= 0)
            return;
        repaired.append(text.substr(validStart, start - validStart)).append(replacement);
        validStart = start + character.length;
    });
    return repaired.append(text.substr(validStart));
}

namespace {

bool isControl(UChar32 c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F
        || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool isLayoutControl(UChar32 c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x85;
}

} // namespace

std::string replacingControls(std::string_view text, std::string_view replacement, std::string_view kept)
{
    std::string result;
    result.reserve(text.size());
    std::size_t copiedUpTo = 0;
    forEachCharacter(text, [&](Character character, std::size_t start) {
        const UChar32 c = character.codePoint;
        if (c < 0 || !isControl(c) || (c < 0x80 && kept.find(static_cast<char>(c)) != std::string_view::npos))
            return;
        result.append(text.substr(copiedUpTo, start - copiedUpTo));
        result.append(isLayoutControl(c) ? std::string_view(" ") : replacement);
        copiedUpTo = start + character.length;
    });
    return result.append(text.substr(copiedUpTo));
}

namespace {

bool isInvisibleControl(UChar32 c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029
        || u_charType(c) == U_FORMAT_CHAR;
}

} // namespace

bool containsInvisibleControls(std::string_view text)
{
    for (std::size_t offset = 0; offset < text.size();) {
        const Character character = characterAt(text, offset);
        if (character.codePoint >= 0 && isInvisibleControl(character.codePoint))
            return true;
        offset += character.length;
    }
    return false;
}

std::string removingInvisibleControls(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    forEachCharacter(text, [&](Character character, std::size_t start) {
        if (character.codePoint < 0 || !isInvisibleControl(character.codePoint))
            kept.append(text.substr(start, character.length));
    });
    return kept;
}

std::string quotable(std::string_view text, std::size_t maximumBytes)
{
    // Masked up to the first code point past the limit, so that the break
    // iterator below sees whether a character goes on beyond it.
    std::string shown;
    for (std::size_t offset = 0; offset < text.size() && shown.size() <= maximumBytes;) {
        const Character character = characterAt(text, offset);
        const bool masked = character.codePoint < 0 || isInvisibleControl(character.codePoint);
        shown.append(masked ? std::string_view("?") : text.substr(offset, character.length));
        offset += character.length;
    }
    if (shown.size() <= maximumBytes)
        return shown;
    const auto ends = characterEnds(shown, shown.size(), maximumBytes);
    std::size_t cut = ends.empty() ? 0 : ends.back();
    if (cut == 0) // one character longer than the limit: cut between its code points
        for (std::size_t offset = 0; offset <= maximumBytes; offset += characterAt(shown, offset).length)
            cut = offset;
    return shown.substr(0, cut) + "…";
}

std::string canonicalForm(std::string_view text)
{
    constexpr auto longest = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
    if (isASCII(text) || text.size() > longest || !isValidUTF8(text))
        return std::string(text);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    std::string normalized;
    icu::StringByteSink<std::string> sink(&normalized, static_cast<int32_t>(text.size()));
    if (U_SUCCESS(status))
        nfc->normalizeUTF8(
            0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink, nullptr, status);
    return U_SUCCESS(status) ? normalized : std::string(text);
}

std::size_t characterCount(std::string_view text)
{
    if (isASCII(text) && text.find('\r') == std::string_view::npos)
        return text.size();
    return characterEnds(text, text.size()).size();
}

std::string_view leadingCharacters(std::string_view text, std::size_t count)
{
    if (count == 0)
        return {};
    auto ends = characterEnds(text, count);
    return ends.empty() ? std::string_view {} : text.substr(0, ends.back());
}

std::string_view leadingCharacters(std::string_view text, std::size_t count, std::size_t codePoints)
{
    std::size_t within = 0;
    for (std::size_t seen = 0; seen < codePoints && within < text.size(); ++seen)
        within += characterAt(text, within).length;
    if (count == 0 || within == 0)
        return {};
    const auto ends = characterEnds(text, count, within);
    return text.substr(0, ends.empty() ? within : ends.back());
}

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    if (isASCII(a) && isASCII(b))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return false;
    auto composedA = nfc->normalize(fromUTF8(a), status);
    auto composedB = nfc->normalize(fromUTF8(b), status);
    return U_SUCCESS(status) && composedA == composedB;
}

} // namespace morvena::UnicodeText
