#pragma once

#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"

#include <string_view>

namespace morvena::tool {

// A refusal or failed check that the command reports itself: the message goes to
// standard output and the command ends with status 1.
[[noreturn]] inline void refuse(std::string_view message)
{
    Console::print(message);
    throw ExitRequest {1};
}

} // namespace morvena::tool
