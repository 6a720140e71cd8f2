#pragma once

#include <atomic>
#include <filesystem>
#include <optional>

namespace morvena {

// Where a BodyParts3D release lies below a folder the user chose: its archive may
// have been unpacked anywhere inside it, a whole home folder included. Both
// searches go breadth-first in name order without following links and pass over
// unreadable folders; with `stop`, they give up, finding nothing, once it is set.
namespace BodyParts3DFolders {

// The folder holding "isa_parts_list_e.txt": `folder` itself when it does.
std::optional<std::filesystem::path> findMetadata(const std::filesystem::path& folder);
std::optional<std::filesystem::path> findMetadata(
    const std::filesystem::path& folder, const std::atomic<bool>& stop);
// The first folder holding a file with the extension .obj (any case, not a hidden name).
std::optional<std::filesystem::path> findOBJ(const std::filesystem::path& folder);
std::optional<std::filesystem::path> findOBJ(
    const std::filesystem::path& folder, const std::atomic<bool>& stop);

} // namespace BodyParts3DFolders

} // namespace morvena
