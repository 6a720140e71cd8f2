#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace morvena::test {

// The source tree: MORVENA_SOURCE_DIR when set, else the tree this build was made from.
std::filesystem::path sourceFolder();

// shared/data/<folder> in the source tree's folder or one above it (where the
// project's shared test data lie beside a checkout), when it holds `marker`.
std::optional<std::filesystem::path> sharedDataFolder(std::string_view folder, std::string_view marker);

} // namespace morvena::test
