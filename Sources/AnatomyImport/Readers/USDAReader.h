#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace morvena {

// The Mesh prims of a USD text layer (".usda"), one RawMesh each, in file order:
// points, faceVertexCounts (each face a fan around its first corner),
// faceVertexIndices and per-point normals (area-weighted ones generated where the
// layer has none). A mesh takes its prim's name. Only prims that are defined
// ("def") count; transforms, references, payloads, variants and time samples
// are not followed or applied.
namespace USDAReader {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws Error when the bytes are not a version 1 USDA layer or do not parse to
// their end (truncated text, unbalanced brackets, stray tokens after the prims).
std::vector<RawMesh> read(std::span<const std::uint8_t> bytes);

} // namespace USDAReader

} // namespace morvena
