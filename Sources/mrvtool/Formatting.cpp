#include "mrvtool/Formatting.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

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

std::size_t characterCount(std::string_view text)
{
    bool ascii = true;
    for (unsigned char c : text)
        ascii = ascii && c < 0x80 && c != '\r';
    if (ascii)
        return text.size();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    auto unicode
        = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    if (U_FAILURE(status))
        return static_cast<std::size_t>(unicode.countChar32());
    iterator->setText(unicode);
    std::size_t count = 0;
    for (auto position = iterator->next(); position != icu::BreakIterator::DONE; position = iterator->next())
        ++count;
    return count;
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
