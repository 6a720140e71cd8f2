#include "mrvtool/Output/Formatting.h"

#include "AnatomyCore/Support/UnicodeText.h"

#include <cstdarg>
#include <cstdio>
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

std::string pad(std::string_view text, std::size_t width)
{
    auto length = UnicodeText::characterCount(text);
    return std::string(text) + std::string(length < width ? width - length : 0, ' ');
}

std::string rpad(std::string_view text, std::size_t width)
{
    auto length = UnicodeText::characterCount(text);
    return std::string(length < width ? width - length : 0, ' ') + std::string(text);
}

std::string cell(std::string_view text, std::size_t width)
{
    return UnicodeText::characterCount(text) >= width ? std::string(text) + " " : pad(text, width);
}

std::string rcell(std::string_view text, std::size_t width)
{
    return UnicodeText::characterCount(text) >= width ? " " + std::string(text) : rpad(text, width);
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
