#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace morvena {

// The element files of one BodyParts3D import, each parsed once however many
// concepts list it. A file listed once is handed to its concept whole; one
// listed several times is kept until its last listing has taken a copy, then
// freed. Several threads may call append() at once.
class ElementCache {
public:
    // A file's positions and triangles; nothing when it cannot be read.
    using Loader = std::function<std::optional<RawMesh>(const std::filesystem::path&)>;

    // `files` maps element file IDs to their files; `listings` holds every
    // element file ID the run will ask for, once per time it will ask.
    ElementCache(const std::unordered_map<std::string, std::filesystem::path>& files,
        std::span<const std::string_view> listings, Loader loader = loadOBJ);
    ElementCache(const ElementCache&) = delete;
    ElementCache& operator=(const ElementCache&) = delete;

    // Appends the element's triangles to `target`; false when the element has
    // no file or its file cannot be read. A file without a triangle adds nothing.
    // Running out of memory on a file throws ImportError::outOfMemory naming it.
    bool append(std::string_view element, RawMesh& target);

    // Meshes parsed and still waiting for a later listing.
    std::size_t heldCount() const;

    // The OBJ file's positions and all its triangles, without its normals:
    // the import computes its own after moving the positions.
    static std::optional<RawMesh> loadOBJ(const std::filesystem::path& file);

private:
    struct Uses {
        const std::filesystem::path* file = nullptr;
        std::size_t count = 0;
        std::size_t slot = 0; // into entries_ when count > 1
    };
    struct Entry {
        std::once_flag once;
        std::optional<RawMesh> mesh;
        std::atomic<std::size_t> remaining {0};
        std::atomic<bool> held {false};
    };

    std::optional<RawMesh> load(const std::filesystem::path& file) const;

    std::unordered_map<std::string_view, Uses> uses_;
    std::unique_ptr<Entry[]> entries_;
    std::size_t entryCount_ = 0;
    Loader loader_;
};

} // namespace morvena
