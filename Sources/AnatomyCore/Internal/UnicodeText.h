#pragma once

// Unicode-aware text pieces shared by the anatomy database's search and notes.

#include <string_view>
#include <vector>

namespace morvena::unicode {

// The text without white space or line breaks at either end.
std::string_view trimmingBlanks(std::string_view text);
// The runs of letters, marks and digits; every other character (and every
// malformed byte) separates them.
std::vector<std::string_view> alphanumericWords(std::string_view text);

} // namespace morvena::unicode
