#include "BodyParts3DData.h"

#include <cstdlib>
#include <system_error>

namespace morvena::test {

std::optional<std::filesystem::path> bodyParts3DFolder()
{
    if (const char* folder = std::getenv("MORVENA_BODYPARTS3D_DIR"); folder && *folder)
        return std::filesystem::path(folder);
    const char* source = std::getenv("MORVENA_SOURCE_DIR");
    std::filesystem::path start = source && *source ? source : MORVENA_SOURCE_DIR;
    for (auto folder = start; !folder.empty(); folder = folder.parent_path()) {
        auto candidate = folder / "shared" / "data" / "bodyparts3d-4.0";
        std::error_code ignored;
        if (std::filesystem::exists(candidate / "isa_parts_list_e.txt", ignored))
            return candidate;
        if (folder == folder.parent_path())
            break;
    }
    return std::nullopt;
}

} // namespace morvena::test
