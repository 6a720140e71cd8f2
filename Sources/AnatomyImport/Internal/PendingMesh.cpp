#include "AnatomyImport/Internal/PendingMesh.h"

#include <cmath>

namespace morvena {

PendingMesh::PendingMesh(RawMesh mesh)
    : mesh_(std::move(mesh))
{
}

PendingMesh::PendingMesh(std::shared_ptr<const OBJLoader::Result> file, std::size_t group, std::string name)
    : file_(std::move(file))
    , group_(group)
{
    mesh_.name = std::move(name);
}

RawMesh::Bounds PendingMesh::bounds() const
{
    if (!file_)
        return mesh_.bounds();
    // The box of the vertices the group's triangles use, without copying them.
    const auto& positions = file_->positions;
    auto box = RawMesh::bounds({});
    for (std::uint32_t index : file_->groups[group_].indices) {
        if (index >= positions.size())
            continue;
        for (int k = 0; k < 3; ++k) {
            box.min[k] = std::fmin(box.min[k], positions[index][k]);
            box.max[k] = std::fmax(box.max[k], positions[index][k]);
        }
    }
    return box;
}

RawMesh PendingMesh::take()
{
    if (file_) {
        auto mesh = file_->groupMesh(group_);
        if (mesh.name.empty())
            mesh.name = std::move(mesh_.name);
        file_.reset();
        return mesh;
    }
    return std::move(mesh_);
}

} // namespace morvena
