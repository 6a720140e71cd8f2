#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Model/Laterality.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace morvena {

// The one writer of geometry packs. An import adds one mesh per structure,
// calls sortForLocality() (which fixes every structure's index) and write().
// Used by one thread; never shared.
class MeshPackBuilder {
public:
    // The geometry of one structure as an import hands it over.
    struct Mesh {
        std::string conceptID;
        std::string name;
        AnatomySystem system = AnatomySystem::unclassified;
        BodyRegion region = BodyRegion::unknown;
        Laterality laterality = Laterality::unpaired;
        std::vector<Float3> positions;
        // Index-aligned with positions; missing ones become (0, 1, 0).
        std::vector<Float3> normals;
        // One triangle list per level of detail, level 0 first, indexing this
        // mesh's own positions from 0. Levels beyond the fourth are ignored.
        std::vector<std::vector<std::uint32_t>> lodIndices;
    };

    MeshPackBuilder();

    // Stages a mesh. A mesh without positions, without level lists or whose
    // level 0 is empty or unusable is dropped silently; an unusable higher
    // level (length not a multiple of 3, or an index past the positions) is
    // left out as if empty.
    void add(Mesh mesh);
    // Stable order by system, region, then name (Unicode canonical forms).
    void sortForLocality();

    std::size_t structureCount() const { return staged_.size(); }
    std::size_t totalVertices() const;
    std::size_t totalIndices() const;

    // Builds the pack and puts it at `url` in one atomic step, creating its
    // folder first; `threads` fill the file's sections at once, the bytes
    // being the same for any count. Throws std::system_error when the folder
    // (std::filesystem::filesystem_error) or the file (FileError) cannot be
    // written, the previous file then staying untouched, and
    // MeshPackError::tooLarge when the data exceeds the format's 32-bit fields.
    void write(const std::filesystem::path& url, std::string_view datasetName, std::string_view attribution,
        unsigned threads = 1) &;
    // The same for a builder that is done with: each mesh is freed once it is
    // in the file, so memory peaks lower while a large pack is written.
    void write(const std::filesystem::path& url, std::string_view datasetName, std::string_view attribution,
        unsigned threads = 1) &&;

private:
    std::uint32_t intern(std::string_view text);
    void write(const std::filesystem::path& url, std::string_view datasetName, std::string_view attribution,
        unsigned threads, bool freeMeshes);

    std::vector<Mesh> staged_;
    std::vector<char> strings_;
    // Keyed by the text's canonical (NFC) form.
    std::unordered_map<std::string, std::uint32_t> stringOffsets_;
};

} // namespace morvena
