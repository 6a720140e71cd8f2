#include "mrvtool/Publishing/WebRecords.h"

#include "AnatomyCore/Model/DecodingError.h"

#include <ctime>

namespace morvena::tool::WebRecords {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

json optionalText(const std::optional<std::string>& text)
{
    return text ? json(*text) : json(nullptr);
}

json sizeMM(const PackStructure* geometry)
{
    if (!geometry)
        return json::array({0, 0, 0});
    Float3 low = geometry->boundsMin();
    Float3 high = geometry->boundsMax();
    return json::array(
        {shortestDouble(high.x - low.x), shortestDouble(high.y - low.y), shortestDouble(high.z - low.z)});
}

std::int64_t triangles(const PackStructure* geometry, int lod)
{
    return geometry ? geometry->lodIndexCount(geometry->resolvedLOD(lod)) / 3 : 0;
}

json relatedList(std::span<const AnatomyDB::RelatedStructure> related)
{
    json list = json::array();
    for (const auto& relation : related.first(std::min(related.size(), relatedShown)))
        list.push_back(
            {{"id", relation.conceptID}, {"name", relation.name}, {"kind", italianName(relation.kind)}});
    return list;
}

json ancestryList(std::span<const TaxonomyNode> ancestry)
{
    json list = json::array();
    for (const auto& node : ancestry.first(std::min(ancestry.size(), ancestorsShown)))
        list.push_back({{"id", node.id}, {"name", node.displayName()}});
    return list;
}

json englishCard(const AnatomyStructure& structure, const CuratedEntry* entry)
{
    auto text = [entry](std::optional<std::string> CuratedEntry::*field) {
        return entry ? optionalText(entry->*field) : json(nullptr);
    };
    return {
        {"name", structure.nameEN},
        {"la", optionalText(structure.nameLA)},
        {"system", englishName(structure.system)},
        {"region", englishName(structure.region)},
        {"side", englishName(structure.laterality)},
        {"description", text(&CuratedEntry::descriptionText)},
        {"function", text(&CuratedEntry::function)},
        {"origin", text(&CuratedEntry::origin)},
        {"insertion", text(&CuratedEntry::insertion)},
        {"innervation", text(&CuratedEntry::innervation)},
        {"bloodSupply", text(&CuratedEntry::bloodSupply)},
        {"clinical", text(&CuratedEntry::clinical)},
        {"curated", entry != nullptr},
    };
}

} // namespace

json record(const AnatomyStructure& structure, const Context& context)
{
    return {
        {"fma", structure.conceptID},
        {"it", optionalText(structure.nameIT)},
        {"la", optionalText(structure.nameLA)},
        {"en", structure.nameEN},
        {"synonyms", structure.synonyms},
        {"system", italianName(structure.system)},
        {"systemKey", rawValue(structure.system)},
        {"region", italianName(structure.region)},
        {"side", italianName(structure.laterality)},
        {"description", optionalText(structure.descriptionText)},
        {"function", optionalText(structure.function)},
        {"origin", optionalText(structure.origin)},
        {"insertion", optionalText(structure.insertion)},
        {"innervation", optionalText(structure.innervation)},
        {"bloodSupply", optionalText(structure.bloodSupply)},
        {"clinical", optionalText(structure.clinicalNotes)},
        {"curated", structure.contentSource == FieldSource::curated},
        {"dataset", structure.datasetName},
        {"triangles", triangles(context.geometry, context.lod)},
        {"sizeMM", sizeMM(context.geometry)},
        {"related", relatedList(context.related)},
        {"ancestry", ancestryList(context.ancestry)},
        {"en_card", englishCard(structure, context.english)},
    };
}

ordered_json indexEntry(const AnatomyStructure& structure, bool hasEnglishCard)
{
    return {
        {"fma", structure.conceptID},
        {"it", optionalText(structure.nameIT)},
        {"en", structure.nameEN},
        {"la", optionalText(structure.nameLA)},
        {"sys", rawValue(structure.system)},
        {"reg", rawValue(structure.region)},
        {"c", structure.contentSource == FieldSource::curated ? 1 : 0},
        {"ce", hasEnglishCard ? 1 : 0},
    };
}

ordered_json systems(const std::map<AnatomySystem, std::int64_t>& counts)
{
    ordered_json list = ordered_json::array();
    for (auto system : allAnatomySystems()) {
        auto count = counts.find(system);
        if (count == counts.end() || count->second < 1)
            continue;
        auto color = baseColor(system);
        list.push_back({
            {"key", rawValue(system)},
            {"name", italianName(system)},
            {"nameEN", englishName(system)},
            {"count", count->second},
            {"color", {shortestDouble(color.red), shortestDouble(color.green), shortestDouble(color.blue)}},
        });
    }
    return list;
}

ordered_json meta(const std::optional<DatasetManifest>& manifest, std::int64_t modelCount, std::int64_t lod,
    std::chrono::system_clock::time_point generated)
{
    return {
        {"dataset", manifest ? manifest->displayName : "BodyParts3D 4.0"},
        {"license", manifest ? manifest->license : "CC BY 4.0"},
        {"attribution", manifest ? manifest->attribution : ""},
        {"sourceURL", manifest ? manifest->sourceURL : ""},
        {"structures", modelCount},
        {"lod", lod},
        {"generated", isoTimestamp(generated)},
    };
}

std::string isoTimestamp(std::chrono::system_clock::time_point time)
{
    std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace morvena::tool::WebRecords
