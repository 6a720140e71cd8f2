#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"
#include "FuzzSupport.h"

#include <span>

namespace morvena::fuzz {

// What the importers rely on in every mesh a loader returns: every index names
// one of the mesh's own positions.
inline void requireSoundMeshes(std::span<const RawMesh> meshes)
{
    for (const auto& mesh : meshes) {
        for (auto index : mesh.indices)
            require(index < mesh.positions.size());
    }
}

} // namespace morvena::fuzz
