#pragma once

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Model/AnatomyStructure.h"
#include "AnatomyCore/Pack/PackStructure.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyImport/Naming/CuratedEntry.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <map>
#include <optional>
#include <span>

namespace morvena::tool {

// The JSON documents of the web export: one record per structure, the index,
// the systems list and the export's metadata.
namespace WebRecords {

inline constexpr std::size_t relatedShown = 14;
inline constexpr std::size_t ancestorsShown = 6;
inline constexpr int ancestryDepth = 12;

// What a record says about one structure besides its database row.
struct Context {
    // The structure's pack record; none when its mesh index lies outside the pack.
    const PackStructure* geometry = nullptr;
    int lod = 1;
    std::span<const AnatomyDB::RelatedStructure> related; // cut to relatedShown
    std::span<const TaxonomyNode> ancestry; // nearest first, cut to ancestorsShown
    const CuratedEntry* english = nullptr; // the English curated card, when there is one
};

// The structure's record (23 keys, "en_card" with 13); nlohmann objects keep
// their keys sorted.
nlohmann::json record(const AnatomyStructure& structure, const Context& context);
// The short entry of data/index.json.
nlohmann::ordered_json indexEntry(const AnatomyStructure& structure, bool hasEnglishCard);
// data/systems.json: the systems with at least one structure, in system order.
nlohmann::ordered_json systems(const std::map<AnatomySystem, std::int64_t>& counts);
// data/meta.json, with the published defaults where the manifest is missing.
nlohmann::ordered_json meta(const std::optional<DatasetManifest>& manifest, std::int64_t modelCount,
    std::int64_t lod, std::chrono::system_clock::time_point generated);

// "2026-12-08T19:51:35Z".
std::string isoTimestamp(std::chrono::system_clock::time_point time);

} // namespace WebRecords

} // namespace morvena::tool
