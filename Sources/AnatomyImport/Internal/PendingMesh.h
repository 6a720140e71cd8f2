#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"
#include "AnatomyImport/Readers/OBJLoader.h"

#include <cstddef>
#include <memory>

namespace morvena {

// One mesh of an import's input before it is placed: a mesh a loader made, or
// one group of a parsed OBJ file, cut out of the file only when the mesh is
// taken. A file's groups thus never all exist twice over, and the file itself
// is freed as soon as its last group has been taken.
class PendingMesh {
public:
    explicit PendingMesh(RawMesh mesh);
    // `name` replaces an empty group name.
    PendingMesh(std::shared_ptr<const OBJLoader::Result> file, std::size_t group, std::string name);

    // The box of the positions the mesh will carry.
    RawMesh::Bounds bounds() const;

    // The mesh itself; the pending mesh is left empty.
    RawMesh take();

private:
    RawMesh mesh_;
    std::shared_ptr<const OBJLoader::Result> file_;
    std::size_t group_ = 0;
};

} // namespace morvena
