#include "AnatomyImport/Internal/ImportManifest.h"

#include <chrono>
#include <set>
#include <string>

namespace morvena::ImportManifest {

void count(DatasetManifest& manifest, std::span<const AnatomyStructure> structures, const MeshPack& pack)
{
    // The result handed back must equal the manifest read from the file.
    manifest.importedAt = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    manifest.structureCount = static_cast<std::int64_t>(structures.size());
    manifest.triangleCount = static_cast<std::int64_t>(pack.triangleCount());
    manifest.vertexCount = static_cast<std::int64_t>(pack.vertexCount());
    manifest.systemCounts.clear();
    std::set<AnatomySystem> present;
    for (const auto& structure : structures) {
        manifest.systemCounts[std::to_string(rawValue(structure.system))] += 1;
        present.insert(structure.system);
    }
    manifest.missingSystems.clear();
    for (auto system : allAnatomySystems()) {
        if (system != AnatomySystem::unclassified && !present.contains(system))
            manifest.missingSystems.emplace_back(italianName(system));
    }
}

} // namespace morvena::ImportManifest
