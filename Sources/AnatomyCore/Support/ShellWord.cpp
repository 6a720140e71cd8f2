#include "AnatomyCore/Support/ShellWord.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace morvena::ShellWord {

namespace {

bool isPlain(char c)
{
    constexpr std::string_view punctuation = "_-.,/:@%+=";
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || punctuation.find(c) != std::string_view::npos;
}

} // namespace

std::string quoted(std::string_view text)
{
    if (!text.empty() && std::ranges::all_of(text, isPlain))
        return std::string(text);
    std::string word = "$'";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\'' && c != '\\') {
            word += c;
            continue;
        }
        std::array<char, 5> escaped {};
        std::snprintf(escaped.data(), escaped.size(), "\\x%02x", byte);
        word += escaped.data();
    }
    return word + "'";
}

} // namespace morvena::ShellWord
