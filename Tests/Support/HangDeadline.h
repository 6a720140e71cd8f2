#pragma once

#include <chrono>

namespace morvena::test {

// How long a test waits for a child process to start, or for a file, a frame or an
// event to come, before it calls that a hang. On a machine busy with other builds a
// start that takes milliseconds on a quiet one takes seconds (python3 alone took six
// to import its HTTP server); only what never comes reaches minutes.
inline constexpr std::chrono::minutes hangDeadline {3};
inline constexpr int hangDeadlineMS = static_cast<int>(std::chrono::milliseconds(hangDeadline).count());

} // namespace morvena::test
