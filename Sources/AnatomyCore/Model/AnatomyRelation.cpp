#include "AnatomyCore/Model/AnatomyRelation.h"

#include "AnatomyCore/Model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <array>
#include <functional>

namespace morvena {

namespace {

struct KindNames {
    RelationKind kind;
    std::string_view raw;
    std::string_view italian;
};

constexpr std::array<KindNames, 6> kindNames {{
    {RelationKind::partOf, "partOf", "Parte di"},
    {RelationKind::isA, "isA", "Tipo di"},
    {RelationKind::innervates, "innervates", "Innerva"},
    {RelationKind::supplies, "supplies", "Vascolarizza"},
    {RelationKind::drains, "drains", "Drena"},
    {RelationKind::attachesTo, "attachesTo", "Si inserisce su"},
}};

constexpr std::array<RelationKind, 6> allKinds {RelationKind::partOf, RelationKind::isA,
    RelationKind::innervates, RelationKind::supplies, RelationKind::drains, RelationKind::attachesTo};

const KindNames& namesOf(RelationKind kind)
{
    return kindNames[static_cast<std::size_t>(kind) % kindNames.size()];
}

} // namespace

std::optional<RelationKind> relationKind(std::string_view raw)
{
    for (const auto& entry : kindNames)
        if (entry.raw == raw)
            return entry.kind;
    return std::nullopt;
}

std::string_view rawValue(RelationKind kind)
{
    return namesOf(kind).raw;
}
std::string_view italianName(RelationKind kind)
{
    return namesOf(kind).italian;
}
std::span<const RelationKind> allRelationKinds()
{
    return allKinds;
}

void to_json(nlohmann::json& json, RelationKind kind)
{
    json = rawValue(kind);
}

void from_json(const nlohmann::json& json, RelationKind& kind)
{
    if (!json.is_string())
        throw DecodingError("attesa una stringa per AnatomyRelation.Kind");
    auto value = relationKind(json.get_ref<const std::string&>());
    if (!value)
        throw DecodingError("tipo di relazione sconosciuto: " + json.dump());
    kind = *value;
}

void to_json(nlohmann::json& json, const AnatomyRelation& relation)
{
    json = nlohmann::json {
        {"from", relation.from}, {"to", relation.to}, {"kind", relation.kind}, {"source", relation.source}};
}

void from_json(const nlohmann::json& json, AnatomyRelation& relation)
{
    relation.from = decodeRequiredString(json, "from");
    relation.to = decodeRequiredString(json, "to");
    if (!json.contains("kind") || !json.contains("source"))
        throw DecodingError("chiave mancante in AnatomyRelation");
    relation.kind = json.at("kind").get<RelationKind>();
    relation.source = json.at("source").get<FieldSource>();
}

} // namespace morvena

std::size_t std::hash<morvena::AnatomyRelation>::operator()(
    const morvena::AnatomyRelation& relation) const noexcept
{
    std::size_t seed = std::hash<std::string> {}(relation.from);
    auto mix
        = [&seed](std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2); };
    mix(std::hash<std::string> {}(relation.to));
    mix(static_cast<std::size_t>(relation.kind));
    mix(static_cast<std::size_t>(relation.source));
    return seed;
}
