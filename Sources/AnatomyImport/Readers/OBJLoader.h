#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// Wavefront OBJ text to positions, optional normals and triangle lists grouped by
// the file's `g` and `o` statements. Materials, texture coordinates, smoothing
// groups, lines and points are ignored.
namespace OBJLoader {

struct Group {
    std::string name; // trimmed, bytes as the file has them; empty before the first group statement
    std::vector<std::uint32_t> indices; // never empty; into the file-wide positions

    bool operator==(const Group&) const = default;
};

struct Result {
    std::vector<Float3> positions;
    std::vector<Float3> normals; // empty unless one per position, each referenced by its own number
    std::vector<Group> groups;

    // Every group's indices, in group order.
    std::vector<std::uint32_t> allIndices() const;
    // The group as a mesh of its own: only the vertices its triangles use (in file
    // order, with their normals when the file has them) and indices renumbered to
    // match, so its bounds are the group's and not the whole file's.
    RawMesh groupMesh(std::size_t group) const;

    bool operator==(const Result&) const = default;
};

class Failure : public std::runtime_error {
public:
    enum class Kind { unreadable };
    // A reason, when given, follows the path in brackets.
    Failure(Kind kind, std::string path, std::string_view reason = {});
    Kind kind() const { return kind_; }
    const std::string& path() const { return path_; }

private:
    Kind kind_;
    std::string path_;
};

// Reads and parses a regular file; throws Failure(unreadable) when it cannot be
// read or is no regular file.
Result load(const std::filesystem::path& path);

// Never fails: whatever it does not understand is skipped. Triangles that refer
// to vertex 0, to a vertex the file never defines or to a non-finite position are
// dropped, so every index of the result lies below the position count. A large
// text is read in pieces of about `pieceBytes` on all cores; where it is cut
// never changes the result.
Result parse(std::span<const std::uint8_t> bytes, std::size_t pieceBytes = 8 << 20);

} // namespace OBJLoader

} // namespace morvena
