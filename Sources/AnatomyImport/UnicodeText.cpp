#include "AnatomyImport/UnicodeText.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace morvena::UnicodeText {

namespace {

bool isASCII(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ICU indexes with int32_t; longer texts are cut rather than overflowing it.
std::int32_t icuLength(std::string_view text)
{
    constexpr std::size_t limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::min(text.size(), limit));
}

icu::UnicodeString fromUTF8(std::string_view text)
{
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), icuLength(text)));
}

bool isBlank(UChar32 c)
{
    return c == U'\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

} // namespace

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
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    std::int32_t length = icuLength(text);
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (!isBlank(c))
            break;
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, start, previous, c);
        if (!isBlank(c))
            break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
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
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    std::size_t offset = 0;
    while (offset < text.size()) {
        if (bytes[offset] < 0x80) {
            ++offset;
            continue;
        }
        // U8_NEXT works on int32_t offsets: look at a window around each non-ASCII sequence.
        std::int32_t window = static_cast<std::int32_t>(std::min<std::size_t>(text.size() - offset, 4));
        std::int32_t index = 0;
        UChar32 c;
        U8_NEXT(bytes + offset, index, window, c);
        if (c < 0)
            return false;
        offset += static_cast<std::size_t>(index);
    }
    return true;
}

std::string repairedUTF8(std::string_view text)
{
    std::string result;
    fromUTF8(text).toUTF8String(result);
    return result;
}

} // namespace morvena::UnicodeText
