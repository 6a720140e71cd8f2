#include "AnatomyImport/UTF8Text.h"

#include <cstdint>

namespace morvena::UTF8Text {

namespace {

struct Lead {
    int length; // bytes of the whole sequence; 0 for a byte that cannot start one
    std::uint8_t low, high; // allowed range of the second byte (excludes overlongs and surrogates)
};

Lead leadOf(std::uint8_t byte)
{
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, 0x80, 0xBF};
    if (byte == 0xE0)
        return {3, 0xA0, 0xBF};
    if (byte == 0xED)
        return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF)
        return {3, 0x80, 0xBF};
    if (byte == 0xF0)
        return {4, 0x90, 0xBF};
    if (byte == 0xF4)
        return {4, 0x80, 0x8F};
    if (byte >= 0xF1 && byte <= 0xF3)
        return {4, 0x80, 0xBF};
    return {0, 0, 0};
}

} // namespace

std::string repaired(std::string_view bytes)
{
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (byte < 0x80) {
            text.push_back(bytes[i++]);
            continue;
        }
        const Lead lead = leadOf(byte);
        int valid = lead.length == 0 ? 0 : 1;
        while (valid > 0 && valid < lead.length && i + valid < bytes.size()) {
            const auto next = static_cast<std::uint8_t>(bytes[i + valid]);
            const bool fits
                = valid == 1 ? next >= lead.low && next <= lead.high : next >= 0x80 && next <= 0xBF;
            if (!fits)
                break;
            ++valid;
        }
        if (valid > 0 && valid == lead.length) {
            text.append(bytes.substr(i, valid));
            i += valid;
        } else {
            text.append(replacement);
            i += valid == 0 ? 1 : valid;
        }
    }
    return text;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\v\f\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace morvena::UTF8Text
