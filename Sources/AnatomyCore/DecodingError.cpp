#include "AnatomyCore/DecodingError.h"

#include <nlohmann/json.hpp>

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

std::string decodeRequiredString(const nlohmann::json& object, std::string_view key)
{
    if (!object.is_object())
        throw DecodingError("atteso un oggetto JSON");
    auto it = object.find(key);
    if (it == object.end())
        throw DecodingError("chiave mancante: " + std::string(key));
    if (!it->is_string())
        throw DecodingError("attesa una stringa per la chiave " + std::string(key));
    return it->get<std::string>();
}

} // namespace morvena
