#include "mrvtool/Formatting.h"

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

namespace morvena::tool {

std::string humanCount(std::int64_t n)
{
    std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    std::string digits = std::to_string(magnitude);
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3 + 1);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped.push_back('.');
        grouped.push_back(digits[i]);
    }
    return n < 0 ? "-" + grouped : grouped;
}

namespace {

bool isPlainASCII(std::string_view text)
{
    for (unsigned char c : text)
        if (c >= 0x80 || c == '\r')
            return false;
    return true;
}

// The byte offsets at which the first `limit` user-perceived characters of
// UTF-8 text end.
std::vector<std::size_t> characterEnds(std::string_view text, std::size_t limit)
{
    std::vector<std::size_t> ends;
    if (isPlainASCII(text)) {
        for (std::size_t i = 1; i <= text.size() && ends.size() < limit; ++i)
            ends.push_back(i);
        return ends;
    }
    UErrorCode status = U_ZERO_ERROR;
    UText* utf8 = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_SUCCESS(status))
        iterator->setText(utf8, status);
    if (U_SUCCESS(status)) {
        for (auto end = iterator->next(); end != icu::BreakIterator::DONE && ends.size() < limit;
             end = iterator->next())
            ends.push_back(static_cast<std::size_t>(end));
    }
    iterator.reset();
    utext_close(utf8);
    return ends;
}

} // namespace

std::size_t characterCount(std::string_view text)
{
    if (isPlainASCII(text))
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

std::string pad(std::string_view text, std::size_t width)
{
    auto length = characterCount(text);
    return std::string(text) + std::string(length < width ? width - length : 0, ' ');
}

std::string rpad(std::string_view text, std::size_t width)
{
    auto length = characterCount(text);
    return std::string(length < width ? width - length : 0, ' ') + std::string(text);
}

std::string cell(std::string_view text, std::size_t width)
{
    return characterCount(text) >= width ? std::string(text) + " " : pad(text, width);
}

std::string rcell(std::string_view text, std::size_t width)
{
    return characterCount(text) >= width ? " " + std::string(text) : rpad(text, width);
}

std::string join(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += separator;
        text += parts[i];
    }
    return text;
}

std::string format(const char* pattern, ...)
{
    va_list arguments;
    va_start(arguments, pattern);
    va_list copy;
    va_copy(copy, arguments);
    int size = std::vsnprintf(nullptr, 0, pattern, copy);
    va_end(copy);
    std::string result;
    if (size > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), pattern, arguments);
        result.assign(buffer.data(), static_cast<std::size_t>(size));
    }
    va_end(arguments);
    return result;
}

} // namespace morvena::tool
