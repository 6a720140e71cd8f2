#pragma once

#include "AnatomyCore/Model/FieldSource.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace morvena {

// A typed link between two concepts.
struct AnatomyRelation {
    enum class Kind { partOf, isA, innervates, supplies, drains, attachesTo };

    std::string from; // concept ID of the source concept
    std::string to; // concept ID of the target concept
    Kind kind = Kind::partOf;
    FieldSource source = FieldSource::dataset;

    bool operator==(const AnatomyRelation&) const = default;
};

using RelationKind = AnatomyRelation::Kind;

std::optional<RelationKind> relationKind(std::string_view rawValue);
std::string_view rawValue(RelationKind kind);
// The label shown for the relation.
std::string_view italianName(RelationKind kind);
std::span<const RelationKind> allRelationKinds();

void to_json(nlohmann::json& json, RelationKind kind);
void from_json(const nlohmann::json& json, RelationKind& kind);
void to_json(nlohmann::json& json, const AnatomyRelation& relation);
void from_json(const nlohmann::json& json, AnatomyRelation& relation);

} // namespace morvena

template <> struct std::hash<morvena::AnatomyRelation> {
    std::size_t operator()(const morvena::AnatomyRelation& relation) const noexcept;
};
