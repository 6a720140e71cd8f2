#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvena {

class MeshPack;

// Writes chosen structures of an open geometry pack as one binary glTF 2.0 file
// (GLB): one node and one mesh per structure, optionally centred, scaled and
// coloured with one material per body system. Everything is built in memory;
// the caller writes the bytes where it wants them.
namespace GLTFExporter {

struct Options {
    int lod = 0; // resolved per structure to its nearest filled level
    bool coloredMaterials = false; // one material per body system met
    float scale = 1; // applied after centring
    bool centered = false; // around the centre of the selection's bounding box
};

struct Result {
    std::vector<std::byte> data; // the complete GLB file
    std::int64_t structureCount = 0; // meshes written
    std::int64_t triangleCount = 0;
    std::int64_t vertexCount = 0; // after re-indexing each structure on its own
};

// Display names by structure index; structures without one keep the pack's name.
using Names = std::unordered_map<std::int64_t, std::string>;

// The GLB header and chunk headers hold 32-bit lengths, so no file reaches 4 GiB.
inline constexpr std::uint64_t maxFileLength = 0xFFFFFFFFu;

// The structures in `structures` (indices into the pack, in the order they are
// written; indices outside the pack are skipped, as are structures with fewer
// than 3 indices at their level). Nothing comes back when no structure is
// written, when the pack's runs or indices do not fit its sections, when a
// written value is not finite, or when the file would exceed `maxLength`.
std::optional<Result> exportGLB(const MeshPack& pack, std::span<const std::int64_t> structures,
    const Names& names, const Options& options, std::uint64_t maxLength = maxFileLength);

} // namespace GLTFExporter

} // namespace morvena
