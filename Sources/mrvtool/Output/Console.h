#pragma once

#include <string_view>

// Everything passes TerminalText::block on its way out.
namespace morvena::tool::Console {

// One line (or block) on standard output, followed by a line end.
void print(std::string_view text);
// Text on standard output without a line end.
void write(std::string_view text);
// Text on standard error in one write, without a line end.
void writeError(std::string_view text);

} // namespace morvena::tool::Console
