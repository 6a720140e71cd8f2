#pragma once

#include <string>
#include <string_view>

namespace morvena::UTF8Text {

// The bytes as UTF-8 text: every maximal ill-formed subsequence becomes one
// U+FFFD replacement character, valid sequences are kept as they are.
std::string repaired(std::string_view bytes);

// Without leading and trailing spaces, tabs, vertical tabs, form feeds, carriage
// returns and line feeds.
std::string_view trimmed(std::string_view text);

} // namespace morvena::UTF8Text
