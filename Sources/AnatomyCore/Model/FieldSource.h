#pragma once

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string_view>

namespace morvena {

// Where a structure's texts or a relation come from.
enum class FieldSource {
    dataset, // the imported dataset
    curated, // the curated tables of the importer
};

std::optional<FieldSource> fieldSource(std::string_view rawValue);
std::string_view rawValue(FieldSource source);

void to_json(nlohmann::json& json, FieldSource source);
void from_json(const nlohmann::json& json, FieldSource& source);

} // namespace morvena
