#include "AnatomyCore/Internal/UnicodeText.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace morvena::unicode {

namespace {

// Calls visit(codePoint, start, end) for every character; a malformed byte
// arrives as a negative code point.
template <class Visit> void forEachCodePoint(std::string_view text, Visit&& visit)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    std::size_t offset = 0;
    while (offset < text.size()) {
        // One character is at most four bytes, so decoding never needs a longer
        // window, whatever the length of the text.
        const auto window = static_cast<std::int32_t>(std::min<std::size_t>(text.size() - offset, 4));
        std::int32_t length = 0;
        UChar32 codePoint = 0;
        U8_NEXT(bytes + offset, length, window, codePoint);
        visit(codePoint, offset, offset + static_cast<std::size_t>(length));
        offset += static_cast<std::size_t>(length);
    }
}

bool isBlank(UChar32 codePoint)
{
    return codePoint >= 0 && u_isUWhiteSpace(codePoint);
}

bool isAlphanumeric(UChar32 codePoint)
{
    return codePoint >= 0 && (U_GET_GC_MASK(codePoint) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

} // namespace

std::string_view trimmingBlanks(std::string_view text)
{
    std::size_t first = text.size();
    std::size_t last = 0;
    forEachCodePoint(text, [&](UChar32 codePoint, std::size_t start, std::size_t end) {
        if (isBlank(codePoint))
            return;
        if (first == text.size())
            first = start;
        last = end;
    });
    return first < last ? text.substr(first, last - first) : std::string_view();
}

std::vector<std::string_view> alphanumericWords(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t wordStart = 0;
    bool inWord = false;
    forEachCodePoint(text, [&](UChar32 codePoint, std::size_t start, std::size_t) {
        const bool alphanumeric = isAlphanumeric(codePoint);
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

} // namespace morvena::unicode
