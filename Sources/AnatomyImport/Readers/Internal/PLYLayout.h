#pragma once

#include <cstdint>
#include <span>

namespace morvena::PLYLayout {

// True when the bytes hold a PLY file whose header follows the format ("ply",
// one format line of version 1.0, then only comment, obj_info, element and
// property lines, each property after an element and of a known type, closed
// by "end_header") and whose body holds every record the header declares, list
// lengths included. Assimp's reader trusts both: a missing end line hangs it, a
// malformed element line makes it read outside its buffers, and a list length
// past the end of the file makes it allocate that much. Only files that pass
// are handed to it.
bool isSound(std::span<const std::uint8_t> bytes);

} // namespace morvena::PLYLayout
