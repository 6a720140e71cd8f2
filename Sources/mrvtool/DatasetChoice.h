#pragma once

#include "mrvtool/Args.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvena::tool {

// The dataset a command works on: --id as given, else the tool's last used
// dataset while it is installed, else the newest installed one.
std::optional<std::string> resolveDatasetID(const Args& args);
// The same for commands that refuse to run without a dataset: with none, `refusal` is
// printed and the command ends with status 1.
std::string requireDatasetID(const Args& args, std::string_view refusal);

} // namespace morvena::tool
