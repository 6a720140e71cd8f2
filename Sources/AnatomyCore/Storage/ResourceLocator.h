#pragma once

#include <filesystem>
#include <string_view>

namespace morvena {

// Where a module's resources live: <folder of the running program>/../share/morvena/<module>.
// The build tree and an installation share that layout.
namespace ResourceLocator {

std::filesystem::path executableFolder();
std::filesystem::path moduleFolder(std::string_view module);
std::filesystem::path resource(std::string_view module, std::string_view fileName);

} // namespace ResourceLocator

} // namespace morvena
