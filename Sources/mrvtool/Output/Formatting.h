#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvena::tool {

// n with a full stop between groups of three digits, as Italian readers expect.
std::string humanCount(std::int64_t n);
// Left-justified column, never cut.
std::string pad(std::string_view text, std::size_t width);
// Right-justified column, never cut.
std::string rpad(std::string_view text, std::size_t width);
// Like pad, but a text that fills the width gets one blank so cells never touch.
std::string cell(std::string_view text, std::size_t width);
// Like rpad, but a text that fills the width gets one blank in front.
std::string rcell(std::string_view text, std::size_t width);
// The parts with `separator` between them.
std::string join(const std::vector<std::string>& parts, std::string_view separator);
// printf-style formatting into a std::string, always in the "C" conventions.
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

} // namespace morvena::tool
