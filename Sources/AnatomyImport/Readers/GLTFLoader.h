#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvena {

class ByteBudget;

// glTF 2.0 assets (JSON with external or data-URI buffers, or a GLB container) to
// one world-space RawMesh per node that carries a mesh. Only triangle geometry,
// names and transforms are read.
namespace GLTFLoader {

class Failure : public std::runtime_error {
public:
    enum class Kind { unreadable, badGLB, badJSON, unsupported };
    Failure(Kind kind, std::string detail);
    Kind kind() const { return kind_; }
    // The text after the fixed Italian prefix: a path or the reason.
    const std::string& detail() const { return detail_; }

private:
    Kind kind_;
    std::string detail_;
};

// Meshes in the order the node walk meets them. Throws Failure when the asset as
// a whole cannot be used; a broken primitive, node or accessor only drops itself,
// unless nothing is left: then the first broken accessor is the failure.
// External buffers must be regular files inside the asset's folder: an absolute
// URI, a ".." component or a scheme other than "data:" makes the buffer
// unreadable. A buffer is read no further than its byteLength, and one whose
// source is shorter fails the asset. Only buffers that a buffer view uses are
// read, a file that several of them name once.
std::vector<RawMesh> load(const std::filesystem::path& path);
// The same with the asset's files read under `budget`: where tests step in.
std::vector<RawMesh> load(const std::filesystem::path& path, ByteBudget& budget);

} // namespace GLTFLoader

} // namespace morvena
