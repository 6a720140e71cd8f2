#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Support/FailureText.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DFolders.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/GenericDatasetImporter.h"
#include "AnatomyUI/Model/JobStopFlag.h"

#include <algorithm>
#include <exception>

namespace morvena {

namespace {

namespace fs = std::filesystem;

constexpr const char* startingMessage = "Avvio importazione…";
// Shown when something other than an exception with a message stops an import.
constexpr const char* unexpectedImportFailure = "Importazione non riuscita.";

// The id a display name gives: invisible characters a pasted name may carry
// (a direction mark, a zero-width space) are left out, as no id may hold them.
std::string datasetIDCandidate(std::string_view name)
{
    auto id = UnicodeText::lowercased(UnicodeText::removingInvisibleControls(name));
    std::replace(id.begin(), id.end(), ' ', '-');
    return id;
}

} // namespace

std::optional<fs::path> AppModel::findMetadataDirectory(const fs::path& folder)
{
    return BodyParts3DFolders::findMetadata(folder);
}

std::optional<fs::path> AppModel::findOBJDirectory(const fs::path& folder)
{
    return BodyParts3DFolders::findOBJ(folder);
}

std::optional<std::string> AppModel::genericDatasetID(std::string_view name)
{
    auto id = datasetIDCandidate(name);
    if (AppPaths::datasetIDReason(id))
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
        options.metadataDir = BodyParts3DFolders::findMetadata(folder, stop).value_or(folder);
        options.objDir = BodyParts3DFolders::findOBJ(folder, stop).value_or(folder);
        options.datasetID = BodyParts3DImporter::defaultDatasetID;
        options.weldTolerance = BodyParts3DImporter::defaultWeldTolerance;
        options.generateLODs = true;
        auto result = BodyParts3DImporter(std::move(options)).run(progress, stop);
        return ImportedDataset {result.manifest.id, result.keptDatabase};
    });
}

void AppModel::importGeneric(const fs::path& input, const std::string& name, const std::string& license,
    const std::string& attribution, const std::string& source)
{
    if (isWritingDataset())
        return;
    auto id = datasetIDCandidate(name);
    if (auto reason = AppPaths::datasetIDReason(id)) {
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
            auto result = GenericDatasetImporter(options).run(progress, stop);
            return ImportedDataset {result.manifest.id, result.keptDatabase};
        });
}

void AppModel::startImport(ImportRun run)
{
    assign(phase_, Phase {Importing {0, startingMessage}}, Field::phase);
    try {
        importJob_ = startJob([this, run = std::move(run)](std::stop_token token) {
            JobStopFlag stop(std::move(token));
            std::optional<ImportedDataset> imported;
            std::string failure;
            try {
                imported = run(
                    [this](const ImportProgress& report) {
                        post([this, report] {
                            assign(phase_, Phase {Importing {report.fraction, report.message}}, Field::phase);
                        });
                    },
                    stop.flag());
            } catch (const std::exception& error) {
                failure = FailureText::of(error);
            } catch (...) {
                failure = unexpectedImportFailure;
            }
            post([this, imported, failure] { finishImport(imported, failure); });
        });
    } catch (const std::exception& error) {
        assign(phase_, Phase {Failed {FailureText::of(error)}}, Field::phase);
    }
}

void AppModel::finishImport(const std::optional<ImportedDataset>& imported, const std::string& failure)
{
    if (importJob_.joinable())
        importJob_.join(); // it has posted its last word; the slot is free again
    if (!imported) {
        assign(phase_, Phase {Failed {failure}}, Field::phase);
        return;
    }
    refreshInstalledDatasets();
    load(imported->id);
    tellOfKeptDatabase(imported->keptDatabase);
}

void AppModel::tellOfKeptDatabase(const std::optional<DamagedDatabase::Kept>& kept)
{
    if (!kept)
        return;
    const auto notice = DamagedDatabase::notice(*kept);
    assign(lastMessage_, std::optional(notice), Field::lastMessage);
    if (services_.showNotice)
        services_.showNotice(notice);
}

} // namespace morvena
