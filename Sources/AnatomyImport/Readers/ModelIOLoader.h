#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace morvena {

// The 3D formats the import does not parse with its own loaders, one RawMesh per
// mesh object with its vertex coordinates as stored (object transforms, up axis
// and units are not applied). STL and PLY are read through Assimp; USD layers
// (".usd", ".usda", ".usdc" and the root layer of a ".usdz" package) through our
// own readers, text or binary as the layer's header says; Alembic archives (".abc")
// through our own reader of the Ogawa layout.
namespace ModelIOLoader {

// "usd", "usda", "usdc", "usdz", "stl", "ply", "abc".
const std::set<std::string>& supportedExtensions();

// Never throws: a file that cannot be read yields an empty list. A mesh is named
// after its object, else its nearest named ancestor; where the file has no
// normals they are generated from the triangles.
std::vector<RawMesh> load(const std::filesystem::path& path);
// The same, but a file that cannot be read or is no regular file throws the
// reason its reader gives (an Italian text); one Assimp cannot parse still
// yields an empty list, as Assimp gives no reason of ours.
std::vector<RawMesh> read(const std::filesystem::path& path);

} // namespace ModelIOLoader

} // namespace morvena
