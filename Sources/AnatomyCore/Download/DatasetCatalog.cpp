#include "AnatomyCore/Download/DatasetCatalog.h"

#include "AnatomyCore/Download/HttpTransfer.h"
#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Support/InvisibleCharacters.h"
#include "AnatomyCore/Support/JSONNesting.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <variant>

namespace morvena {

namespace {

// A catalog lists a handful of datasets; anything this large is not one.
constexpr std::size_t maximumCatalogBytes = 16u << 20;
// What a message quotes of an entry's id.
constexpr std::size_t quotedIDBytes = 60;

std::int64_t decodeRequiredInt64(const nlohmann::json& object, std::string_view key)
{
    return decodeInteger(requiredField(object, key), key);
}

// A record's keys and members, listed once for writing and reading. Every key
// is required; a document missing several names the first in this order.
template <class Record> struct Field {
    const char* key;
    std::variant<std::string Record::*, std::int64_t Record::*> member;
};

using Entry = DatasetCatalog::Entry;
using AppRelease = DatasetCatalog::AppRelease;

constexpr std::array<Field<Entry>, 13> entryFields {{
    {"id", &Entry::id},
    {"displayName", &Entry::displayName},
    {"version", &Entry::version},
    {"archive", &Entry::archive},
    {"archiveBytes", &Entry::archiveBytes},
    {"installedBytes", &Entry::installedBytes},
    {"sha256", &Entry::sha256},
    {"structureCount", &Entry::structureCount},
    {"triangleCount", &Entry::triangleCount},
    {"license", &Entry::license},
    {"attribution", &Entry::attribution},
    {"sourceURL", &Entry::sourceURL},
    {"notes", &Entry::notes},
}};

constexpr std::array<Field<AppRelease>, 6> releaseFields {{
    {"version", &AppRelease::version},
    {"build", &AppRelease::build},
    {"download", &AppRelease::download},
    {"bytes", &AppRelease::bytes},
    {"minimumSystem", &AppRelease::minimumSystem},
    {"notes", &AppRelease::notes},
}};

void decodeRequired(const nlohmann::json& object, std::string_view key, std::string& value)
{
    value = decodeRequiredString(object, key);
}

void decodeRequired(const nlohmann::json& object, std::string_view key, std::int64_t& value)
{
    value = decodeRequiredInt64(object, key);
}

template <class Record, std::size_t count>
void encodeFields(nlohmann::json& json, const Record& record, const std::array<Field<Record>, count>& fields)
{
    json = nlohmann::json::object();
    for (const auto& field : fields)
        std::visit([&](auto member) { json[field.key] = record.*member; }, field.member);
}

template <class Record, std::size_t count>
void decodeFields(const nlohmann::json& json, Record& record, const std::array<Field<Record>, count>& fields)
{
    for (const auto& field : fields)
        std::visit([&](auto member) { decodeRequired(json, field.key, record.*member); }, field.member);
}

// A version piece as a whole decimal number with an optional sign; anything
// else (including numbers too large to hold) counts as 0.
std::int64_t versionNumber(std::string_view piece)
{
    if (piece.starts_with('+'))
        piece.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    if (piece.empty() || error != std::errc() || end != piece.data() + piece.size())
        return 0;
    return value;
}

std::vector<std::int64_t> versionNumbers(std::string_view version)
{
    std::vector<std::int64_t> numbers;
    while (!version.empty()) {
        auto dot = version.find('.');
        auto piece = version.substr(0, dot);
        if (!piece.empty())
            numbers.push_back(versionNumber(piece));
        version.remove_prefix(dot == std::string_view::npos ? version.size() : dot + 1);
    }
    return numbers;
}

// Bytes an installed dataset cannot take up: the installation holds an archive
// to its entry's size, and an entry without one would let it expand to anything.
void requireInstalledSize(const Entry& entry, std::size_t position)
{
    if (entry.installedBytes > 0)
        return;
    throw DecodingError("datasets[" + std::to_string(position) + "] (dataset \""
        + UnicodeText::quotable(InvisibleCharacters::masked(entry.id), quotedIDBytes)
        + "\"): installedBytes vale " + std::to_string(entry.installedBytes) + ", deve essere maggiore di 0");
}

} // namespace

std::optional<std::string> DatasetCatalog::Entry::archiveURL() const
{
    return HttpTransfer::parseAddress(archive);
}

std::optional<std::string> DatasetCatalog::AppRelease::downloadURL() const
{
    return HttpTransfer::parseAddress(download);
}

DatasetCatalog::CatalogError::CatalogError(long status, const std::string& message)
    : std::runtime_error(message)
    , status_(status)
{
}

DatasetCatalog::CatalogError DatasetCatalog::CatalogError::badStatus(long status)
{
    return CatalogError(status,
        "Il catalogo dei dataset ha risposto con stato " + std::to_string(status) + ". Riprova fra poco.");
}

const std::string& DatasetCatalog::url()
{
    static const std::string address = "https://datasets.morvena.org/dl/catalog.json";
    return address;
}

bool DatasetCatalog::isNewer(std::string_view candidate, std::string_view current)
{
    auto left = versionNumbers(candidate);
    auto right = versionNumbers(current);
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        std::int64_t a = i < left.size() ? left[i] : 0;
        std::int64_t b = i < right.size() ? right[i] : 0;
        if (a != b)
            return a > b;
    }
    return false;
}

DatasetCatalog DatasetCatalog::decode(std::string_view document)
{
    if (JSONNesting::exceeds(document, JSONNesting::documentLimit))
        throw DecodingError("Il catalogo dei dataset non è un documento JSON valido: annidato oltre "
            + std::to_string(JSONNesting::documentLimit) + " livelli.");
    nlohmann::json json = nlohmann::json::parse(document, nullptr, false);
    if (json.is_discarded())
        throw DecodingError("Il catalogo dei dataset non è un documento JSON valido.");
    try {
        return json.get<DatasetCatalog>();
    } catch (const DecodingError& error) {
        throw DecodingError(std::string("Il catalogo dei dataset non è valido: ") + error.what() + ".");
    }
}

DatasetCatalog DatasetCatalog::load(const std::string& address)
{
    const std::atomic<bool> neverStopped {false};
    return load(address, neverStopped);
}

DatasetCatalog DatasetCatalog::load(const std::string& address, const std::atomic<bool>& stop)
{
    HttpTransfer::Options options;
    options.headers = {"Cache-Control: no-cache", "Pragma: no-cache"};
    options.idleTimeout = std::chrono::seconds(20);
    options.allowFileAddresses = true;

    HttpTransfer::Response response;
    std::string body;
    HttpTransfer::Handlers handlers;
    handlers.onResponse = [&](const HttpTransfer::Response& received) {
        response = received;
        return !received.isHTTP() || received.isSuccess();
    };
    handlers.onBody = [&](std::span<const char> bytes) {
        if (bytes.size() > maximumCatalogBytes - body.size())
            return false;
        body.append(bytes.data(), bytes.size());
        return true;
    };
    handlers.keepGoing = [&stop] { return !stop; };

    auto result = HttpTransfer::get(address, options, handlers);
    if (response.isHTTP() && !response.isSuccess())
        throw CatalogError::badStatus(response.status);
    if (result.outcome == HttpTransfer::Outcome::failed)
        throw HttpTransfer::Error(result.failure);
    if (result.outcome == HttpTransfer::Outcome::stopped && stop)
        throw HttpTransfer::Error("Richiesta del catalogo annullata.");
    if (result.outcome == HttpTransfer::Outcome::stopped)
        throw HttpTransfer::Error("Il catalogo dei dataset è troppo grande.");
    return decode(body);
}

void to_json(nlohmann::json& json, const DatasetCatalog::Entry& entry)
{
    encodeFields(json, entry, entryFields);
}

void from_json(const nlohmann::json& json, DatasetCatalog::Entry& entry)
{
    decodeFields(json, entry, entryFields);
}

void to_json(nlohmann::json& json, const DatasetCatalog::AppRelease& release)
{
    encodeFields(json, release, releaseFields);
}

void from_json(const nlohmann::json& json, DatasetCatalog::AppRelease& release)
{
    decodeFields(json, release, releaseFields);
}

void to_json(nlohmann::json& json, const DatasetCatalog& catalog)
{
    json = nlohmann::json {{"formatVersion", catalog.formatVersion}, {"datasets", catalog.datasets}};
    if (catalog.macApp)
        json["macApp"] = *catalog.macApp;
}

void from_json(const nlohmann::json& json, DatasetCatalog& catalog)
{
    catalog.formatVersion = decodeRequiredInt64(json, "formatVersion");
    const auto& datasets = requiredField(json, "datasets");
    if (!datasets.is_array())
        throw DecodingError("attesa una lista per la chiave datasets");
    catalog.datasets.clear();
    catalog.datasets.reserve(datasets.size());
    for (std::size_t i = 0; i < datasets.size(); ++i) {
        try {
            catalog.datasets.push_back(datasets[i].get<DatasetCatalog::Entry>());
        } catch (const DecodingError& error) {
            throw DecodingError("datasets[" + std::to_string(i) + "]: " + error.what());
        }
        requireInstalledSize(catalog.datasets.back(), i);
    }
    catalog.macApp.reset();
    auto release = json.find("macApp");
    if (release != json.end() && !release->is_null()) {
        try {
            // Converted directly: Clang 14 refuses json::get for this record.
            DatasetCatalog::AppRelease app;
            from_json(*release, app);
            catalog.macApp = std::move(app);
        } catch (const DecodingError& error) {
            throw DecodingError(std::string("macApp: ") + error.what());
        }
    }
}

} // namespace morvena
