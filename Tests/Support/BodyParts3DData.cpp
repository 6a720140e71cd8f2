#include "BodyParts3DData.h"

#include <cstdlib>

namespace morvena::test {

std::optional<std::filesystem::path> bodyParts3DFolder()
{
    if (const char* folder = std::getenv("MORVENA_BODYPARTS3D_DIR"); folder && *folder)
        return std::filesystem::path(folder);
    const std::filesystem::path unpacked = MORVENA_BODYPARTS3D_TABLES;
    std::error_code ignored;
    if (std::filesystem::exists(unpacked / "isa_parts_list_e.txt", ignored))
        return unpacked;
    return std::nullopt;
}

} // namespace morvena::test
