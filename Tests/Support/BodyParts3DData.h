#pragma once

#include <filesystem>
#include <optional>

namespace morvena::test {

// The folder of the real BodyParts3D 4.0 metadata tables: MORVENA_BODYPARTS3D_DIR
// when set, else shared/data/bodyparts3d-4.0 in the source tree's folder or one
// above it. Nothing when neither holds the tables.
std::optional<std::filesystem::path> bodyParts3DFolder();

} // namespace morvena::test
