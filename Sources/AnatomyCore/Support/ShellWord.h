#pragma once

#include <string>
#include <string_view>

namespace morvena {

// A text given to the user as part of a command they may copy and run.
namespace ShellWord {

// The text as one word that bash and zsh read back byte for byte: as it is when
// it holds only letters, digits and characters no shell treats specially;
// otherwise ANSI-C quoted ($'…') in plain ASCII, so that no character of it can
// reorder or hide what a message shows.
std::string quoted(std::string_view text);

} // namespace ShellWord

} // namespace morvena
