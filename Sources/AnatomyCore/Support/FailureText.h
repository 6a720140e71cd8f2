#pragma once

#include <exception>
#include <string>

namespace morvena {

// What the user reads of a failure caught as an exception: its what(), which
// the system's own errors write in Italian, but for running out of memory,
// whose what() is the library's English name, and for a failed
// std::filesystem call or another of the library's system errors (a thread
// that cannot start, a failed stream), whose what() is its English sentence.
namespace FailureText {

std::string of(const std::exception& error);

} // namespace FailureText

} // namespace morvena
