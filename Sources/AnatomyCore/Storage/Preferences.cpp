#include "AnatomyCore/Storage/Preferences.h"

#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/JSONNesting.h"
#include "AnatomyCore/Support/SmallFile.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace morvena {

namespace {

using nlohmann::json;

// The settings, their types and their registered defaults; lastViewState has
// no default.
const json& registeredDefaults()
{
    static const json defaults = {
        {"showLabels", true},
        {"ghostOthersOnSelect", true},
        {"ghostOpacity", 0.1},
        {"renderQuality", 0},
        {"lodBias", 1.0},
        {"darkBackground", true},
        {"backgroundPalette", 0},
        {"showEyesAndTeeth", true},
        {"lastDatasetID", ""},
    };
    return defaults;
}

template <typename Number> std::optional<Number> parseNumber(const std::string& text)
{
    Number value {};
    auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The stored value as a finite double, or nothing when it cannot be converted.
std::optional<double> numberValue(const json& value)
{
    std::optional<double> number;
    if (value.is_number())
        number = value.get<double>();
    else if (value.is_boolean())
        number = value.get<bool>() ? 1 : 0;
    else if (value.is_string())
        number = parseNumber<double>(value.get<std::string>());
    if (number && !std::isfinite(*number))
        return std::nullopt;
    return number;
}

bool boolValue(const json& value)
{
    if (value.is_boolean())
        return value.get<bool>();
    if (value.is_string()) {
        std::string text = value.get<std::string>();
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (text == "true" || text == "yes")
            return true;
    }
    auto number = numberValue(value);
    return number && *number != 0;
}

int intValue(const json& value)
{
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        auto number = value.get<std::int64_t>();
        return (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
            ? static_cast<int>(number)
            : 0;
    }
    auto number = numberValue(value);
    if (!number || std::trunc(*number) < std::numeric_limits<int>::min()
        || std::trunc(*number) > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(*number);
}

float floatValue(const json& value)
{
    auto number = numberValue(value);
    if (!number || !std::isfinite(static_cast<float>(*number)))
        return 0;
    return static_cast<float>(*number);
}

std::string textValue(const json& value)
{
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number())
        return value.dump();
    return {};
}

json loadSettings(const std::filesystem::path& file)
{
    // A damaged or foreign file counts as empty, as an unreadable one does;
    // the next setting written replaces it.
    auto bytes = SmallFile::read(file, 4 << 20);
    if (!bytes || JSONNesting::exceeds(*bytes, JSONNesting::documentLimit))
        return json::object();
    json values = json::parse(*bytes, nullptr, false);
    if (!values.is_object())
        return json::object();
    return values;
}

std::mutex programMutex;
Preferences::Program chosenProgram = Preferences::Program::viewer;
bool sharedExists = false;

} // namespace

struct Preferences::Store {
    std::filesystem::path file;
    mutable std::mutex mutex;
    json values;

    json value(std::string_view key) const
    {
        std::lock_guard lock(mutex);
        if (auto it = values.find(key); it != values.end())
            return *it;
        if (auto it = registeredDefaults().find(key); it != registeredDefaults().end())
            return *it;
        return nullptr;
    }

    // A null value removes the key.
    void set(std::string_view key, json value)
    {
        std::lock_guard lock(mutex);
        values = loadSettings(file);
        if (value.is_null())
            values.erase(std::string(key));
        else
            values[std::string(key)] = std::move(value);
        try {
            std::filesystem::create_directories(file.parent_path());
            AtomicFile::write(file, values.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
        } catch (const std::exception&) {
            // The value stays in memory for this run.
        }
    }
};

void Preferences::selectProgram(Program program)
{
    std::lock_guard lock(programMutex);
    if (sharedExists && program != chosenProgram)
        throw std::logic_error("Preferences::selectProgram after Preferences::shared()");
    chosenProgram = program;
}

Preferences& Preferences::shared()
{
    static Preferences* const instance = [] {
        std::lock_guard lock(programMutex);
        sharedExists = true;
        return new Preferences(settingsFile(chosenProgram));
    }();
    return *instance;
}

std::filesystem::path Preferences::settingsFile(Program program)
{
    return AppPaths::settingsDirectory() / (program == Program::viewer ? "viewer.json" : "mrvtool.json");
}

Preferences::Preferences(std::filesystem::path file)
    : store_(std::make_unique<Store>())
{
    store_->values = loadSettings(file);
    store_->file = std::move(file);
}

Preferences::~Preferences() = default;

bool Preferences::showLabels() const
{
    return boolValue(store_->value("showLabels"));
}
void Preferences::setShowLabels(bool value)
{
    store_->set("showLabels", value);
}
bool Preferences::ghostOthersOnSelect() const
{
    return boolValue(store_->value("ghostOthersOnSelect"));
}
void Preferences::setGhostOthersOnSelect(bool value)
{
    store_->set("ghostOthersOnSelect", value);
}
float Preferences::ghostOpacity() const
{
    return floatValue(store_->value("ghostOpacity"));
}
void Preferences::setGhostOpacity(float value)
{
    store_->set("ghostOpacity", shortestDouble(value));
}
int Preferences::renderQuality() const
{
    return intValue(store_->value("renderQuality"));
}
void Preferences::setRenderQuality(int value)
{
    store_->set("renderQuality", value);
}
float Preferences::lodBias() const
{
    return floatValue(store_->value("lodBias"));
}
void Preferences::setLodBias(float value)
{
    store_->set("lodBias", shortestDouble(value));
}
bool Preferences::darkBackground() const
{
    return boolValue(store_->value("darkBackground"));
}
void Preferences::setDarkBackground(bool value)
{
    store_->set("darkBackground", value);
}
int Preferences::backgroundPalette() const
{
    return intValue(store_->value("backgroundPalette"));
}
void Preferences::setBackgroundPalette(int value)
{
    store_->set("backgroundPalette", value);
}
bool Preferences::showEyesAndTeeth() const
{
    return boolValue(store_->value("showEyesAndTeeth"));
}
void Preferences::setShowEyesAndTeeth(bool value)
{
    store_->set("showEyesAndTeeth", value);
}
std::string Preferences::lastDatasetID() const
{
    return textValue(store_->value("lastDatasetID"));
}
void Preferences::setLastDatasetID(std::string_view value)
{
    store_->set("lastDatasetID", std::string(value));
}

std::optional<AnatomyViewState> Preferences::lastViewState() const
{
    json value = store_->value("lastViewState");
    if (!value.is_string())
        return std::nullopt;
    return AnatomyViewState::decode(value.get<std::string>());
}

void Preferences::setLastViewState(const std::optional<AnatomyViewState>& state)
{
    if (!state) {
        store_->set("lastViewState", nullptr);
        return;
    }
    if (state->isEncodable())
        store_->set("lastViewState", state->encodedString());
}

} // namespace morvena
