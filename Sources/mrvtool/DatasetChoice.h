#pragma once

#include "mrvtool/Args.h"

#include <optional>
#include <string>

namespace morvena::tool {

// The dataset a command works on: --id as given, else the tool's last used
// dataset while it is installed, else the newest installed one.
std::optional<std::string> resolveDatasetID(const Args& args);

} // namespace morvena::tool
