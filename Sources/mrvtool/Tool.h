#pragma once

#include <string>
#include <vector>

namespace morvena::tool {

// Runs one command line (the words after the program path) and returns the exit
// status: 0 done, 1 an error or a refusal, 2 the usage text.
int run(const std::vector<std::string>& words);

} // namespace morvena::tool
