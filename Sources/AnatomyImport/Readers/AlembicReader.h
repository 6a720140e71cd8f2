#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace morvena {

// The polygon meshes of an Alembic archive in the Ogawa layout, one RawMesh per
// PolyMesh or SubD object, depth first with parents before children, each named
// after its object. Only the first sample is read (an animated mesh gives its
// first pose) and no transform is applied. A SubD object is read as its control
// cage, without the faces it lists as holes. Positions are float triples; faces
// are turned from Alembic's clockwise order and fanned into triangles; normals
// are the file's where they are one per point, else generated. Instances, curves,
// points and NURBS surfaces are not meshes and are skipped.
namespace AlembicReader {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// However small an archive, it may decode this much; a larger one sixteen times
// its size.
inline constexpr std::uint64_t leastDecodedBytes = std::uint64_t {1} << 30;

// Throws Error with an Italian reason when the bytes are an archive in the older
// HDF5 layout, an Ogawa file its writer did not close, or not an archive at all;
// when an offset, size, count or index points outside the file or its tables, or
// the table of indexed metadata is over 64 KiB; when a group is reached twice or
// objects nest too deeply; and when no mesh is left though the archive holds
// objects that are skipped (a mesh whose faces are inconsistent, an instance, a
// curve), naming the first of them. An archive that would decode into more than
// max(leastDecoded, 16 × its size) is "file troppo grande da leggere". An archive
// without any such object gives no meshes. Never reads outside the bytes.
std::vector<RawMesh> read(
    std::span<const std::uint8_t> bytes, std::uint64_t leastDecoded = leastDecodedBytes);

} // namespace AlembicReader

} // namespace morvena
