#include "AnatomyCore/Storage/DatasetManifest.h"

#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/FolderSwap.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/FileError.h"
#include "AnatomyCore/Support/InvisibleCharacters.h"
#include "AnatomyCore/Support/JSONNesting.h"
#include "AnatomyCore/Support/ShellWord.h"
#include "AnatomyCore/Support/SmallFile.h"
#include "AnatomyCore/Support/SystemText.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace morvena {

namespace {

using namespace std::chrono;
using nlohmann::json;

// An internet date-time in UTC with whole seconds: "YYYY-MM-DDTHH:MM:SSZ".
// Fractions of a second are dropped when writing.
std::string formatInternetDate(system_clock::time_point time)
{
    auto seconds = floor<std::chrono::seconds>(time);
    auto day = floor<days>(seconds);
    year_month_day date(day);
    hh_mm_ss clock(seconds - day);
    // The clock's range (years 1677-2262) always fits four digits.
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()));
    return text;
}

system_clock::time_point parseInternetDate(std::string_view text)
{
    constexpr std::string_view shape = "dddd-dd-ddTdd:dd:ddZ";
    bool matches = text.size() == shape.size();
    for (std::size_t i = 0; matches && i < shape.size(); ++i)
        matches = shape[i] == 'd' ? (text[i] >= '0' && text[i] <= '9') : text[i] == shape[i];
    if (!matches)
        throw DecodingError("data non in formato ISO 8601 con secondi interi: " + std::string(text));
    auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    year_month_day date {year(number(0, 4)), month(static_cast<unsigned>(number(5, 2))),
        day(static_cast<unsigned>(number(8, 2)))};
    int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (!date.ok() || hour > 23 || minute > 59 || second > 59)
        throw DecodingError("data inesistente: " + std::string(text));
    const sys_seconds time = sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
    // The clock counts nanoseconds in 64 bits (years 1677-2262); a date beyond
    // would overflow into another one.
    if (time < ceil<seconds>(system_clock::time_point::min())
        || time > floor<seconds>(system_clock::time_point::max()))
        throw DecodingError("data fuori dall'intervallo rappresentabile: " + std::string(text));
    return time;
}

std::map<std::string, std::int64_t> decodeCounts(const json& value)
{
    if (!value.is_object())
        throw DecodingError("atteso un oggetto per systemCounts");
    std::map<std::string, std::int64_t> counts;
    for (const auto& [key, count] : value.items())
        counts.emplace(key, decodeInteger(count, "systemCounts"));
    return counts;
}

} // namespace

std::string DatasetManifest::encoded() const
{
    json document = {
        {"id", id},
        {"displayName", displayName},
        {"version", version},
        {"sourceURL", sourceURL},
        {"license", license},
        {"attribution", attribution},
        {"importedAt", formatInternetDate(importedAt)},
        {"structureCount", structureCount},
        {"triangleCount", triangleCount},
        {"vertexCount", vertexCount},
        {"systemCounts", systemCounts},
        {"missingSystems", missingSystems},
        {"notes", notes},
    };
    // Texts that are not UTF-8 are replaced rather than failing the import
    // that writes the manifest.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

DatasetManifest DatasetManifest::decode(std::string_view text)
{
    if (JSONNesting::exceeds(text, JSONNesting::documentLimit))
        throw DecodingError(
            "JSON non valido: annidato oltre " + std::to_string(JSONNesting::documentLimit) + " livelli");
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& error) {
        // The parser's own words are English; where it stopped is what the user can look at.
        throw DecodingError("JSON non valido: errore di sintassi al byte " + std::to_string(error.byte));
    } catch (const json::exception&) {
        throw DecodingError("JSON non valido");
    }
    return DatasetManifest {
        .id = decodeRequiredString(document, "id"),
        .displayName = decodeRequiredString(document, "displayName"),
        .version = decodeRequiredString(document, "version"),
        .sourceURL = decodeRequiredString(document, "sourceURL"),
        .license = decodeRequiredString(document, "license"),
        .attribution = decodeRequiredString(document, "attribution"),
        .importedAt = parseInternetDate(decodeRequiredString(document, "importedAt")),
        .structureCount = decodeInteger(requiredField(document, "structureCount"), "structureCount"),
        .triangleCount = decodeInteger(requiredField(document, "triangleCount"), "triangleCount"),
        .vertexCount = decodeInteger(requiredField(document, "vertexCount"), "vertexCount"),
        .systemCounts = decodeCounts(requiredField(document, "systemCounts")),
        .missingSystems = decodeStringArray(requiredField(document, "missingSystems"), "missingSystems"),
        .notes = decodeRequiredString(document, "notes"),
    };
}

void DatasetManifest::write(const std::filesystem::path& url) const
{
    std::error_code error;
    // A bare file name lies in the working folder, which exists.
    if (url.has_parent_path())
        std::filesystem::create_directories(url.parent_path(), error);
    if (error)
        throw FileError("Impossibile creare la cartella", url.parent_path(), error);
    AtomicFile::write(url, encoded());
}

DatasetManifest DatasetManifest::load(const std::filesystem::path& url)
{
    return decode(SmallFile::load(url));
}

std::optional<DatasetManifest> DatasetManifest::read(const std::filesystem::path& url)
{
    try {
        return load(url);
    } catch (const FileError&) {
    } catch (const DecodingError&) {
    }
    return std::nullopt;
}

std::vector<DatasetManifest> DatasetManifest::installed()
{
    return scanInstalled().manifests;
}

namespace {

// The dataset's database, or one kept after damage.
bool holdsUserRows(const std::filesystem::path& folder)
{
    std::error_code error;
    return std::filesystem::exists(
               std::filesystem::symlink_status(folder / AppPaths::databaseFileName, error))
        || !DamagedDatabase::keptIn(folder, error).empty();
}

// Descriptors or memory the program or the computer ran out of.
bool isResourceFailure(std::error_code code)
{
    return code == std::errc::too_many_files_open || code == std::errc::too_many_files_open_in_system
        || code == std::errc::not_enough_memory;
}

} // namespace

DatasetManifest::Installed DatasetManifest::scanInstalled()
{
    const auto datasets = AppPaths::datasetsDirectory();
    FolderSwap::putBackWhereFree(datasets);
    Installed installed;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(datasets, error), end; !error && entry != end;
         entry.increment(error)) {
        // Hidden folders are install staging (".<id>.incoming") or not ours.
        std::string name = entry->path().filename().string();
        std::error_code typeError;
        if (name.starts_with('.') || !entry->is_directory(typeError))
            continue;
        // A folder installed before its name was refused as an id (one with
        // bidirectional controls, or Hangul fillers and no dataset file) can no
        // longer be opened; it may be removed only without the user's rows.
        if (AppPaths::datasetIDReason(name, entry->path())) {
            (holdsUserRows(entry->path()) ? installed.misnamedDatabases : installed.misnamedFolders)
                .push_back(std::move(name));
            continue;
        }
        std::optional<DatasetManifest> manifest;
        try {
            manifest = load(entry->path() / AppPaths::manifestFileName);
        } catch (const FileError& failure) {
            // Not the folder's fault: the program ran out of what reading takes.
            if (isResourceFailure(failure.code())) {
                installed.listingFailure = "Impossibile leggere la cartella dei dataset " + datasets.string()
                    + ": " + failure.reason() + ".";
                break;
            }
        } catch (const DecodingError&) {
        }
        // Callers address a dataset by its manifest's id; a folder holding
        // another dataset's manifest would send them to the wrong folder.
        if (manifest && manifest->id == name)
            installed.manifests.push_back(std::move(*manifest));
        else
            installed.unreadableFolders.push_back(std::move(name));
    }
    // A folder not made yet holds no dataset; any other failure must not read as an empty folder.
    if (error && error != std::errc::no_such_file_or_directory && !installed.listingFailure)
        installed.listingFailure = "Impossibile leggere la cartella dei dataset " + datasets.string() + ": "
            + SystemText::reason(error) + ".";
    std::stable_sort(installed.manifests.begin(), installed.manifests.end(),
        [](const DatasetManifest& a, const DatasetManifest& b) { return a.importedAt > b.importedAt; });
    return installed;
}

namespace {

// Folder names in a notice, shown as they may be without garbling it.
constexpr std::size_t quotedNameBytes = 60;

// The names masked and in «», so that none shows blank or reversed.
std::string quotedNames(const std::vector<std::string>& folders)
{
    std::string names;
    for (const auto& name : folders)
        names += (names.empty() ? "«" : ", «")
            + UnicodeText::quotable(InvisibleCharacters::masked(name), quotedNameBytes) + "»";
    return names;
}

// "Una cartella in <datasets folder>" and what is said of it, or the same of
// several, then their names.
std::string foldersSaying(
    const std::vector<std::string>& folders, std::string_view ofOne, std::string_view ofSeveral)
{
    const bool one = folders.size() == 1;
    return std::string(one ? "Una cartella" : "Alcune cartelle") + " in "
        + AppPaths::datasetsDirectory().string() + std::string(one ? ofOne : ofSeveral)
        + quotedNames(folders);
}

std::string unreadableSentence(const std::vector<std::string>& folders)
{
    return foldersSaying(folders, " non è leggibile come dataset: ", " non sono leggibili come dataset: ")
        + " (manifest danneggiato o cartella illeggibile; i dati restano sul disco). Per sapere che cosa non "
          "va: mrvtool verify --id "
        + ShellWord::quoted(folders.front()) + ".";
}

std::string misnamedSentence(const std::vector<std::string>& folders)
{
    const bool one = folders.size() == 1;
    return foldersSaying(folders,
               " ha un nome che nessun dataset può avere: ", " hanno un nome che nessun dataset può avere: ")
        + " (i dati restano sul disco, ma nessun programma "
        + (one ? "la apre). Per rimuoverla:" : "le apre). Per rimuoverle:");
}

std::string misnamedDatabaseSentence(const std::vector<std::string>& folders)
{
    return foldersSaying(folders,
               " ha un nome che nessun programma apre e contiene il database dell'utente: ",
               " hanno un nome che nessun programma apre e ciascuna contiene il database dell'utente: ")
        + " (i dati restano sul disco).";
}

std::string removalCommand(const std::vector<std::string>& folders)
{
    std::string command = "rm -r --";
    for (const auto& name : folders)
        command += " " + ShellWord::quoted((AppPaths::datasetsDirectory() / name).string());
    return command;
}

} // namespace

std::optional<DatasetManifest::Installed::Notice> DatasetManifest::Installed::notice() const
{
    std::vector<std::string> sentences;
    if (listingFailure)
        sentences.push_back(*listingFailure);
    if (!unreadableFolders.empty())
        sentences.push_back(unreadableSentence(unreadableFolders));
    if (!misnamedDatabases.empty())
        sentences.push_back(misnamedDatabaseSentence(misnamedDatabases));
    // Last: the command follows the sentence that leads to it.
    if (!misnamedFolders.empty())
        sentences.push_back(misnamedSentence(misnamedFolders));
    if (sentences.empty())
        return std::nullopt;
    std::string sentence = sentences.front();
    for (std::size_t i = 1; i < sentences.size(); ++i)
        sentence += " " + sentences[i];
    return Notice {std::move(sentence),
        misnamedFolders.empty() ? std::nullopt : std::optional(removalCommand(misnamedFolders))};
}

} // namespace morvena
