#include "SharedData.h"

#include <cstdlib>
#include <system_error>

namespace morvena::test {

std::filesystem::path sourceFolder()
{
    const char* source = std::getenv("MORVENA_SOURCE_DIR");
    return source && *source ? source : MORVENA_SOURCE_DIR;
}

std::optional<std::filesystem::path> sharedDataFolder(std::string_view folder, std::string_view marker)
{
    for (auto parent = sourceFolder(); !parent.empty(); parent = parent.parent_path()) {
        auto candidate = parent / "shared" / "data" / folder;
        std::error_code ignored;
        if (std::filesystem::exists(candidate / marker, ignored))
            return candidate;
        if (parent == parent.parent_path())
            break;
    }
    return std::nullopt;
}

} // namespace morvena::test
