#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/GenericDatasetImporter.h"
#include "AnatomyUI/Model/JobStopFlag.h"

#include <algorithm>
#include <deque>
#include <exception>

namespace morvena {

namespace {

namespace fs = std::filesystem;

constexpr const char* startingMessage = "Avvio importazione…";
// Shown when something other than an exception with a message stops an import.
constexpr const char* unexpectedImportFailure = "Importazione non riuscita.";
constexpr std::string_view metadataFileName = "isa_parts_list_e.txt";
constexpr std::string_view bodyParts3DDatasetID = "bodyparts3d-4.0";
constexpr float bodyParts3DWeldTolerance = 0.02f;

const std::atomic<bool> searchNeverStopped {false};

// The entries of one folder in name order; none when it cannot be read.
std::vector<fs::directory_entry> sortedEntries(const fs::path& folder)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    fs::directory_iterator entry(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error))
        entries.push_back(*entry);
    std::sort(entries.begin(), entries.end(),
        [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    return entries;
}

bool isRealFolder(const fs::directory_entry& entry)
{
    std::error_code error;
    return fs::is_directory(entry.symlink_status(error)); // a link to a folder is not followed
}

// The first folder, breadth-first from `folder` and in name order within each
// folder, that holds a non-folder entry matching the test. Links are not
// followed and unreadable folders are skipped, so the search ends in any tree.
template <class Matches>
std::optional<fs::path> folderHolding(const fs::path& folder, Matches matches, const std::atomic<bool>& stop)
{
    std::deque<fs::path> waiting {folder};
    while (!waiting.empty() && !stop) {
        const auto current = std::move(waiting.front());
        waiting.pop_front();
        for (const auto& entry : sortedEntries(current)) {
            if (isRealFolder(entry))
                waiting.push_back(entry.path());
            else if (matches(entry.path().filename().string()))
                return current;
        }
    }
    return std::nullopt;
}

bool isMetadataFile(const std::string& name)
{
    return name == metadataFileName;
}

// Hidden names are not models: archives made on some systems carry "._name.obj"
// companions holding file attributes.
bool isOBJFile(const std::string& name)
{
    if (name.empty() || name.front() == '.' || name.size() < 4)
        return false;
    auto extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return extension == ".obj";
}

std::string datasetIDCandidate(std::string_view name)
{
    auto id = UnicodeText::lowercased(name);
    std::replace(id.begin(), id.end(), ' ', '-');
    return id;
}

std::optional<fs::path> metadataFolder(const fs::path& folder, const std::atomic<bool>& stop)
{
    std::error_code error;
    if (fs::exists(folder / metadataFileName, error))
        return folder;
    return folderHolding(folder, isMetadataFile, stop);
}

} // namespace

std::optional<fs::path> AppModel::findMetadataDirectory(const fs::path& folder)
{
    return metadataFolder(folder, searchNeverStopped);
}

std::optional<fs::path> AppModel::findOBJDirectory(const fs::path& folder)
{
    return folderHolding(folder, isOBJFile, searchNeverStopped);
}

std::optional<std::string> AppModel::genericDatasetID(std::string_view name)
{
    auto id = datasetIDCandidate(name);
    if (AppPaths::unsafeNameReason(id))
        return std::nullopt;
    return id;
}

void AppModel::importBodyParts3D(const fs::path& folder)
{
    if (isWritingDataset())
        return;
    startImport([folder](const ImportProgressHandler& progress, const std::atomic<bool>& stop) {
        // Searched here, off the GUI thread: the chosen folder may be a whole home folder.
        BodyParts3DImporter::Options options;
        options.metadataDir = metadataFolder(folder, stop).value_or(folder);
        options.objDir = folderHolding(folder, isOBJFile, stop).value_or(folder);
        options.datasetID = bodyParts3DDatasetID;
        options.weldTolerance = bodyParts3DWeldTolerance;
        options.generateLODs = true;
        return BodyParts3DImporter(std::move(options)).run(progress, stop).manifest.id;
    });
}

void AppModel::importGeneric(const fs::path& input, const std::string& name, const std::string& license,
    const std::string& attribution, const std::string& source)
{
    if (isWritingDataset())
        return;
    auto id = datasetIDCandidate(name);
    if (auto reason = AppPaths::unsafeNameReason(id)) {
        assign(phase_, Phase {Failed {AppPaths::InvalidDatasetID(id, *reason).what()}}, Field::phase);
        return;
    }
    GenericDatasetImporter::Options options;
    options.input = input;
    options.datasetID = std::move(id);
    options.displayName = name;
    options.license = license;
    options.attribution = attribution;
    options.sourceURL = source;
    options.weldTolerance = 0;
    options.generateLODs = true;
    options.splitOBJGroups = true;
    startImport(
        [options = std::move(options)](const ImportProgressHandler& progress, const std::atomic<bool>& stop) {
            return GenericDatasetImporter(options).run(progress, stop).manifest.id;
        });
}

void AppModel::startImport(ImportRun run)
{
    assign(phase_, Phase {Importing {0, startingMessage}}, Field::phase);
    try {
        importJob_ = startJob([this, run = std::move(run)](std::stop_token token) {
            JobStopFlag stop(std::move(token));
            std::optional<std::string> datasetID;
            std::string failure;
            try {
                datasetID = run(
                    [this](const ImportProgress& report) {
                        post([this, report] {
                            assign(phase_, Phase {Importing {report.fraction, report.message}}, Field::phase);
                        });
                    },
                    stop.flag());
            } catch (const std::exception& error) {
                failure = error.what();
            } catch (...) {
                failure = unexpectedImportFailure;
            }
            post([this, datasetID, failure] { finishImport(datasetID, failure); });
        });
    } catch (const std::exception& error) {
        assign(phase_, Phase {Failed {error.what()}}, Field::phase);
    }
}

void AppModel::finishImport(const std::optional<std::string>& datasetID, const std::string& failure)
{
    if (importJob_.joinable())
        importJob_.join(); // it has posted its last word; the slot is free again
    if (!datasetID) {
        assign(phase_, Phase {Failed {failure}}, Field::phase);
        return;
    }
    refreshInstalledDatasets();
    load(*datasetID);
}

} // namespace morvena
