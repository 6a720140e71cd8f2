#pragma once

#include <string>
#include <string_view>

namespace morvena {

// Text operations on UTF-8 that the importers share. Ill-formed UTF-8 never
// makes them fail: ICU reads each bad byte as U+FFFD.
namespace UnicodeText {

// Full Unicode lower-casing, independent of the user's locale ("İ" becomes "i̇").
std::string lowercased(std::string_view text);

// The text without leading and trailing blanks: Unicode space separators and TAB.
std::string_view trimmingBlanks(std::string_view text);

// The pieces between spaces, empty ones dropped, joined with single spaces. Only
// the space character separates: tabs and other blanks stay inside the pieces.
std::string collapsingSpaces(std::string_view text);

bool isValidUTF8(std::string_view text);

// The text with every ill-formed sequence replaced by U+FFFD.
std::string repairedUTF8(std::string_view text);

} // namespace UnicodeText

} // namespace morvena
