#include "AnatomyCore/Model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <limits>

namespace morvena {

std::uint32_t decodeRawNumber(const nlohmann::json& json, std::string_view typeName)
{
    if (!json.is_number_integer())
        throw DecodingError("atteso un numero intero per " + std::string(typeName));
    if (json.is_number_unsigned()) {
        auto value = json.get<std::uint64_t>();
        if (value <= std::numeric_limits<std::uint32_t>::max())
            return static_cast<std::uint32_t>(value);
    } else {
        auto value = json.get<std::int64_t>();
        if (value >= 0 && value <= std::numeric_limits<std::uint32_t>::max())
            return static_cast<std::uint32_t>(value);
    }
    throw DecodingError("valore di " + std::string(typeName) + " fuori intervallo");
}

const nlohmann::json& requiredField(const nlohmann::json& object, std::string_view key)
{
    if (!object.is_object())
        throw DecodingError("atteso un oggetto JSON");
    auto it = object.find(key);
    if (it == object.end())
        throw DecodingError("chiave mancante: " + std::string(key));
    return *it;
}

std::string decodeRequiredString(const nlohmann::json& object, std::string_view key)
{
    const auto& value = requiredField(object, key);
    if (!value.is_string())
        throw DecodingError("attesa una stringa per la chiave " + std::string(key));
    return value.get<std::string>();
}

std::int64_t decodeInteger(const nlohmann::json& json, std::string_view name)
{
    if (!json.is_number_integer())
        throw DecodingError("atteso un numero intero per " + std::string(name));
    if (json.is_number_unsigned() && json.get<std::uint64_t>() > std::numeric_limits<std::int64_t>::max())
        throw DecodingError("valore di " + std::string(name) + " fuori intervallo");
    return json.get<std::int64_t>();
}

float decodeFloat(const nlohmann::json& json, std::string_view name)
{
    if (!json.is_number())
        throw DecodingError("atteso un numero per " + std::string(name));
    auto value = static_cast<float>(json.get<double>());
    if (!std::isfinite(value))
        throw DecodingError("valore di " + std::string(name) + " fuori intervallo");
    return value;
}

bool decodeBool(const nlohmann::json& json, std::string_view name)
{
    if (!json.is_boolean())
        throw DecodingError("atteso un valore booleano per " + std::string(name));
    return json.get<bool>();
}

std::vector<std::string> decodeStringArray(const nlohmann::json& json, std::string_view name)
{
    if (!json.is_array())
        throw DecodingError("atteso un elenco di stringhe per " + std::string(name));
    std::vector<std::string> texts;
    texts.reserve(json.size());
    for (const auto& element : json) {
        if (!element.is_string())
            throw DecodingError("atteso un elenco di stringhe per " + std::string(name));
        texts.push_back(element.get<std::string>());
    }
    return texts;
}

double shortestDouble(float value)
{
    char text[32];
    auto printed = std::to_chars(text, text + sizeof text, value);
    double widened = value;
    std::from_chars(text, printed.ptr, widened);
    return widened;
}

} // namespace morvena
