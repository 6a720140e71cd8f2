#include "AnatomyImport/BodyParts3D/ElementCache.h"

#include "AnatomyImport/ImportError.h"
#include "AnatomyImport/Readers/OBJLoader.h"

#include <new>
#include <stdexcept>
#include <utility>

namespace morvena {

ElementCache::ElementCache(const std::unordered_map<std::string, std::filesystem::path>& files,
    std::span<const std::string_view> listings, Loader loader)
    : loader_(std::move(loader))
{
    for (auto element : listings) {
        if (auto file = files.find(std::string(element)); file != files.end())
            ++uses_.try_emplace(file->first, Uses {&file->second}).first->second.count;
    }
    for (auto& [element, uses] : uses_) {
        if (uses.count > 1)
            uses.slot = entryCount_++;
    }
    entries_ = std::make_unique<Entry[]>(entryCount_);
    for (const auto& [element, uses] : uses_) {
        if (uses.count > 1)
            entries_[uses.slot].remaining = uses.count;
    }
}

bool ElementCache::append(std::string_view element, RawMesh& target)
{
    auto found = uses_.find(element);
    if (found == uses_.end())
        return false;
    const auto& uses = found->second;
    if (uses.count == 1) {
        auto mesh = load(*uses.file);
        if (!mesh)
            return false;
        if (target.positions.empty())
            target = std::move(*mesh);
        else if (!mesh->indices.empty())
            target.append(*mesh);
        return true;
    }
    auto& entry = entries_[uses.slot];
    std::call_once(entry.once, [&] {
        entry.mesh = load(*uses.file);
        entry.held = entry.mesh.has_value();
    });
    bool readable = entry.mesh.has_value();
    if (readable && !entry.mesh->indices.empty())
        target.append(*entry.mesh);
    // Every other listing has copied the mesh before counting itself off.
    if (entry.remaining.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        entry.mesh.reset();
        entry.held = false;
    }
    return readable;
}

std::size_t ElementCache::heldCount() const
{
    std::size_t held = 0;
    for (std::size_t slot = 0; slot < entryCount_; ++slot)
        held += entries_[slot].held.load() ? 1 : 0;
    return held;
}

std::optional<RawMesh> ElementCache::load(const std::filesystem::path& file) const
{
    std::optional<RawMesh> mesh;
    try {
        mesh = loader_(file);
    } catch (const std::bad_alloc&) {
        throw ImportError::outOfMemory(file.string());
    }
    // A file without a triangle is read but contributes nothing.
    if (mesh && (mesh->positions.empty() || mesh->indices.size() < 3))
        return RawMesh {};
    return mesh;
}

std::optional<RawMesh> ElementCache::loadOBJ(const std::filesystem::path& file)
{
    OBJLoader::Result parsed;
    try {
        parsed = OBJLoader::load(file);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    // The loader has already dropped triangles with corners it does not have.
    RawMesh mesh;
    if (parsed.groups.size() == 1)
        mesh.indices = std::move(parsed.groups.front().indices);
    else
        mesh.indices = parsed.allIndices();
    mesh.positions = std::move(parsed.positions);
    return mesh;
}

} // namespace morvena
