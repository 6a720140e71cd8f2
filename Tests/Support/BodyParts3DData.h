#pragma once

#include <filesystem>
#include <optional>

namespace morvena::test {

// The folder of the real BodyParts3D 4.0 metadata tables: MORVENA_BODYPARTS3D_DIR
// when set, else the copy that Tests/Data/BodyParts3D brings, unpacked into the build tree.
// Nothing when neither holds them.
std::optional<std::filesystem::path> bodyParts3DFolder();

} // namespace morvena::test
