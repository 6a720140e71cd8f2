#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Texts from outside the tool (catalogs, manifests, databases, model and file
// names) on the terminal: none may colour it, retitle it, clear it, fake a line
// of our own, reverse what follows or flood it.
namespace morvena::tool::TerminalText {

// The characters of one outside text that are shown; a longer text ends in
// "…". Names and card texts are far shorter, but nothing stops a catalog from
// carrying megabytes in one.
inline constexpr std::size_t shownCharacters = 1000;

// One outside text within a line: cut at shownCharacters, ill-formed UTF-8,
// control characters and bidirectional controls shown as U+FFFD, line breaks
// and tabs as blanks.
std::string field(std::string_view text);

// Everything the tool writes passes here last: the same neutralising, but TAB,
// LF and CR stay, as the tool lays out its own lines with them, and nothing is
// cut.
std::string block(std::string_view text);

} // namespace morvena::tool::TerminalText
