#pragma once

#include <string>

namespace morvena::tool {

// The usage text, ending with the datasets folder.
std::string usageText();
// Prints the usage text and ends the run with status 2.
[[noreturn]] void usage();

} // namespace morvena::tool
