#pragma once

#include "AnatomyCore/Storage/DatasetManifest.h"
#include "mrvtool/Args.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvena::tool {

// The dataset a command works on: --id as given, else the tool's last used
// dataset while it is installed, else the newest installed one. A dataset left
// set aside by a crash between an install's renames is put back first, where
// its lock is free.
std::optional<std::string> resolveDatasetID(const Args& args);
// The same for commands that refuse to run without a dataset: with none, `refusal` is
// printed and the command ends with status 1.
std::string requireDatasetID(const Args& args, std::string_view refusal);
// The manifest of the installed dataset `id`; throws Fail, naming the dataset
// and why, when it cannot be read or decoded.
DatasetManifest requireManifest(const std::string& id);

} // namespace morvena::tool
