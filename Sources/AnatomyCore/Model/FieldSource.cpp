#include "AnatomyCore/Model/FieldSource.h"

#include "AnatomyCore/Model/DecodingError.h"

#include <nlohmann/json.hpp>

namespace morvena {

std::optional<FieldSource> fieldSource(std::string_view raw)
{
    if (raw == "dataset")
        return FieldSource::dataset;
    if (raw == "curated")
        return FieldSource::curated;
    return std::nullopt;
}

std::string_view rawValue(FieldSource source)
{
    return source == FieldSource::curated ? "curated" : "dataset";
}

void to_json(nlohmann::json& json, FieldSource source)
{
    json = rawValue(source);
}

void from_json(const nlohmann::json& json, FieldSource& source)
{
    if (!json.is_string())
        throw DecodingError("attesa una stringa per FieldSource");
    auto value = fieldSource(json.get_ref<const std::string&>());
    if (!value)
        throw DecodingError("valore di FieldSource sconosciuto: " + json.dump());
    source = *value;
}

} // namespace morvena
