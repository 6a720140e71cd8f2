#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace morvena {

// The Mesh prims of a binary USD layer (the "crate" format: header "PXR-USDC",
// versions 0.4.0 to 0.14.x), one RawMesh each, by the rules of the text reader
// (USDAReader): prims are visited depth first in their authored order, parents
// before children; only prims that are defined ("def", as are all their
// ancestors) count; points, faceVertexCounts, faceVertexIndices and per-point
// normals are read from each attribute's default value. A mesh takes its prim's
// name. Transforms, references, payloads, variants and time samples are not
// followed or applied.
namespace USDCReader {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// However small a layer, it may decode this much; a larger one sixteen times its
// size.
inline constexpr std::uint64_t leastDecodedBytes = std::uint64_t {1} << 30;

// Throws Error when the bytes are not a readable layer: another header or
// version, a section, offset, count or index outside the file or its tables, data
// that do not decompress to their declared sizes, or prims nested too deeply. A
// layer that would decode into more than max(leastDecoded, 16 × its size) is
// "file troppo grande da leggere". Never reads outside the bytes.
std::vector<RawMesh> read(
    std::span<const std::uint8_t> bytes, std::uint64_t leastDecoded = leastDecodedBytes);

} // namespace USDCReader

} // namespace morvena
