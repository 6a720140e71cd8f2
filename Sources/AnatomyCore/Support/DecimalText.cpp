#include "AnatomyCore/Support/DecimalText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace morvena {

std::string decimalText(float value)
{
    // The longest fixed forms, of the largest float and of the smallest
    // subnormal one, have fewer than 50 characters.
    char buffer[128];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::to_string(value);
    if (std::isfinite(value) && text.find('.') == std::string::npos)
        text += ".0";
    return text;
}

} // namespace morvena
