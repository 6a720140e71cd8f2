#include "AnatomyCore/Model/AnatomyViewState.h"

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Support/JSONNesting.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace morvena {

namespace {

using nlohmann::json;

json floats(const std::vector<float>& values)
{
    json array = json::array();
    for (float value : values)
        array.push_back(shortestDouble(value));
    return array;
}

std::vector<float> decodeFloats(const json& value, std::string_view name)
{
    if (!value.is_array())
        throw DecodingError("atteso un elenco di numeri per " + std::string(name));
    std::vector<float> numbers;
    for (const auto& element : value)
        numbers.push_back(decodeFloat(element, name));
    return numbers;
}

std::vector<std::uint32_t> decodeKnownSystems(const json& value)
{
    if (!value.is_array())
        throw DecodingError("atteso un elenco di numeri per visibleSystems");
    std::vector<std::uint32_t> systems;
    for (const auto& element : value) {
        std::uint32_t raw = decodeRawNumber(element, "visibleSystems");
        if (anatomySystem(raw))
            systems.push_back(raw);
    }
    return systems;
}

// Only the canonical decimal keys of known systems survive.
bool namesSystem(const std::string& key)
{
    std::uint32_t raw = 0;
    auto parsed = std::from_chars(key.data(), key.data() + key.size(), raw);
    return parsed.ec == std::errc() && parsed.ptr == key.data() + key.size() && anatomySystem(raw)
        && std::to_string(raw) == key;
}

std::map<std::string, float> decodeOpacities(const json& value)
{
    if (!value.is_object())
        throw DecodingError("atteso un oggetto per systemOpacity");
    std::map<std::string, float> opacities;
    for (const auto& [key, opacity] : value.items()) {
        float number = decodeFloat(opacity, "systemOpacity");
        if (namesSystem(key))
            opacities.emplace(key, std::clamp(number, 0.f, 1.f));
    }
    return opacities;
}

AnatomyViewState decodeState(const json& document)
{
    auto field = [&](std::string_view key) -> const json& { return requiredField(document, key); };
    AnatomyViewState state {
        .cameraTarget = decodeFloats(field("cameraTarget"), "cameraTarget"),
        .cameraDistance = decodeFloat(field("cameraDistance"), "cameraDistance"),
        .cameraYaw = decodeFloat(field("cameraYaw"), "cameraYaw"),
        .cameraPitch = decodeFloat(field("cameraPitch"), "cameraPitch"),
        .visibleSystems = decodeKnownSystems(field("visibleSystems")),
        .systemOpacity = decodeOpacities(field("systemOpacity")),
        .hiddenStructures = decodeStringArray(field("hiddenStructures"), "hiddenStructures"),
        .isolatedStructures = decodeStringArray(field("isolatedStructures"), "isolatedStructures"),
        .selected = decodeStringArray(field("selected"), "selected"),
        .clipEnabled = decodeBool(field("clipEnabled"), "clipEnabled"),
        .clipAxis = 0,
        .clipOffset = decodeFloat(field("clipOffset"), "clipOffset"),
        .clipFlipped = decodeBool(field("clipFlipped"), "clipFlipped"),
        .explode = decodeFloat(field("explode"), "explode"),
        .ghostOthers = decodeBool(field("ghostOthers"), "ghostOthers"),
    };
    std::int64_t axis = decodeInteger(field("clipAxis"), "clipAxis");
    state.clipAxis = (axis >= 0 && axis <= 2) ? static_cast<int>(axis) : 0;
    return state;
}

} // namespace

bool AnatomyViewState::isEncodable() const
{
    auto finite = [](float value) { return std::isfinite(value); };
    return std::all_of(cameraTarget.begin(), cameraTarget.end(), finite)
        && std::all_of(systemOpacity.begin(), systemOpacity.end(),
            [&](const auto& entry) { return finite(entry.second); })
        && finite(cameraDistance) && finite(cameraYaw) && finite(cameraPitch) && finite(clipOffset)
        && finite(explode);
}

std::string AnatomyViewState::encodedString() const
{
    if (!isEncodable())
        return "{}";
    json opacities = json::object();
    for (const auto& [key, opacity] : systemOpacity)
        opacities[key] = shortestDouble(opacity);
    json document = {
        {"cameraTarget", floats(cameraTarget)},
        {"cameraDistance", shortestDouble(cameraDistance)},
        {"cameraYaw", shortestDouble(cameraYaw)},
        {"cameraPitch", shortestDouble(cameraPitch)},
        {"visibleSystems", visibleSystems},
        {"systemOpacity", opacities},
        {"hiddenStructures", hiddenStructures},
        {"isolatedStructures", isolatedStructures},
        {"selected", selected},
        {"clipEnabled", clipEnabled},
        {"clipAxis", clipAxis},
        {"clipOffset", shortestDouble(clipOffset)},
        {"clipFlipped", clipFlipped},
        {"explode", shortestDouble(explode)},
        {"ghostOthers", ghostOthers},
    };
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::optional<AnatomyViewState> AnatomyViewState::decode(std::string_view text)
{
    if (JSONNesting::exceeds(text, JSONNesting::documentLimit))
        return std::nullopt;
    try {
        return decodeState(json::parse(text));
    } catch (const json::exception&) {
        return std::nullopt;
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

} // namespace morvena
