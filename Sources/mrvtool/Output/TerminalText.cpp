#include "mrvtool/Output/TerminalText.h"

#include "AnatomyCore/Support/UnicodeText.h"

namespace morvena::tool::TerminalText {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view ellipsis = "…";

} // namespace

std::string field(std::string_view text)
{
    // A text of at most that many bytes has at most that many characters.
    if (text.size() <= shownCharacters)
        return UnicodeText::replacingControls(UnicodeText::repairedUTF8(text), replacement);
    const auto shown = UnicodeText::leadingCharacters(text, shownCharacters);
    auto result = UnicodeText::replacingControls(UnicodeText::repairedUTF8(shown), replacement);
    return shown.size() < text.size() ? result.append(ellipsis) : result;
}

std::string block(std::string_view text)
{
    return UnicodeText::replacingControls(UnicodeText::repairedUTF8(text), replacement, "\t\n\r");
}

} // namespace morvena::tool::TerminalText
