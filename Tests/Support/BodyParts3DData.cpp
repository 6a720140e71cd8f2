#include "BodyParts3DData.h"

#include "SharedData.h"

#include <cstdlib>

namespace morvena::test {

std::optional<std::filesystem::path> bodyParts3DFolder()
{
    if (const char* folder = std::getenv("MORVENA_BODYPARTS3D_DIR"); folder && *folder)
        return std::filesystem::path(folder);
    return sharedDataFolder("bodyparts3d-4.0", "isa_parts_list_e.txt");
}

} // namespace morvena::test
