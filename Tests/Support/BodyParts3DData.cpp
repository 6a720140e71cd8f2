#include "BodyParts3DData.h"

#include "SharedData.h"

#include <cstdlib>

namespace morvena::test {

std::optional<std::filesystem::path> bodyParts3DFolder()
{
    if (const char* folder = std::getenv("MORVENA_BODYPARTS3D_DIR"); folder && *folder)
        return std::filesystem::path(folder);
    auto committed = sourceFolder() / "Tests" / "Data" / "BodyParts3D";
    std::error_code ignored;
    if (std::filesystem::exists(committed / "isa_parts_list_e.txt", ignored))
        return committed;
    return std::nullopt;
}

} // namespace morvena::test
