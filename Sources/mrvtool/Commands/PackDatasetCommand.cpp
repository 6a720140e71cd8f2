// pack-dataset: compresses an installed dataset into an archive and records it
// in the catalog that lies beside the archives.
#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/OutputFiles.h"
#include "mrvtool/Publishing/CatalogPublishing.h"

#include <algorithm>

namespace morvena::tool {

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t bytesPerMB = 1048576;
constexpr std::string_view defaultOutputFolder = "web/public/dl";
constexpr std::string_view catalogFileName = "catalog.json";

std::string megabytes(std::int64_t bytes)
{
    return humanCount(bytes / bytesPerMB);
}

fs::path outputFolder(const Args& args)
{
    fs::path folder = args.url("out").value_or(fs::current_path() / defaultOutputFolder);
    OutputFiles::makeFolder(folder);
    return folder;
}

// The last component of a path as written, ignoring trailing separators.
std::string lastPathComponent(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return fs::path(path).filename().string();
}

std::int64_t fileSizeOrZero(const fs::path& file)
{
    std::error_code error;
    auto size = fs::file_size(file, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

DatasetCatalog::Entry catalogEntry(const DatasetManifest& manifest, const std::string& id,
    const std::string& address, const DatasetArchive::Created& archive, std::int64_t installedBytes)
{
    return {
        .id = id,
        .displayName = manifest.displayName,
        .version = manifest.version,
        .archive = address,
        .archiveBytes = archive.bytes,
        .installedBytes = installedBytes,
        .sha256 = archive.sha256,
        .structureCount = manifest.structureCount,
        .triangleCount = manifest.triangleCount,
        .license = manifest.license,
        .attribution = manifest.attribution,
        .sourceURL = manifest.sourceURL,
        .notes = manifest.notes,
    };
}

// The viewer release, only when both its version and its disk image are given.
std::optional<DatasetCatalog::AppRelease> appRelease(const Args& args, const std::string& baseAddress)
{
    auto version = args.option("app-version");
    auto image = args.option("app-dmg");
    if (!version || !image)
        return std::nullopt;
    return DatasetCatalog::AppRelease {
        .version = *version,
        .build = args.option("app-build").value_or(""),
        .download = baseAddress + "/" + lastPathComponent(*image),
        .bytes = fileSizeOrZero(*image),
        .minimumSystem = args.option("app-minimum").value_or("Debian 12"),
        .notes = args.option("app-notes").value_or(""),
    };
}

void checkWrittenCatalog(const fs::path& file, const std::string& id, const std::string& sha256)
{
    auto written = CatalogPublishing::read(file);
    auto entry = std::find_if(written.datasets.begin(), written.datasets.end(),
        [&](const auto& candidate) { return candidate.id == id; });
    if (entry == written.datasets.end() || entry->sha256 != sha256)
        throw Fail("Il catalogo scritto non corrisponde all'archivio.");
    Console::print(
        "✓ catalogo coerente con l'archivio (" + std::to_string(written.datasets.size()) + " dataset)");
}

// A dataset kept usable under an id refused since is the user's alone: no
// installation would take the id from a catalog.
void requirePublishableID(const std::string& id)
{
    if (auto reason = AppPaths::newDatasetIDReason(id))
        throw Fail("Il dataset " + AppPaths::quotedDatasetID(id)
            + " va importato di nuovo con un nuovo identificativo per pubblicarlo: il suo identificativo "
            + std::string(*reason) + ".");
}

} // namespace

void packDatasetCommand(const Args& args)
{
    auto id = resolveDatasetID(args);
    if (!id)
        throw Fail("Nessun dataset installato.");
    requirePublishableID(*id);
    // Checked before anything is written: the revision becomes part of a file name.
    std::string archiveName = CatalogPublishing::archiveName(*id, args.option("revision").value_or("1"));

    fs::path folder = outputFolder(args);
    const auto manifest = requireManifest(*id);
    fs::path archiveFile = folder / archiveName;
    std::string baseAddress = args.option("base-url").value_or(CatalogPublishing::defaultBaseAddress());

    std::int64_t installedBytes = CatalogPublishing::directorySize(AppPaths::datasetDirectory(*id));
    Console::print(
        "Compressione di " + AppPaths::quotedDatasetID(*id) + " (" + megabytes(installedBytes) + " MB)…");
    auto archive = DatasetArchive::create(AppPaths::datasetDirectory(*id), archiveFile);
    Console::print("  archivio   " + archiveName);
    Console::print("  dimensione " + megabytes(archive.bytes) + " MB "
        + CatalogPublishing::ratioText(archive.bytes, installedBytes));
    Console::print("  sha256     " + archive.sha256);

    fs::path catalogFile = folder / catalogFileName;
    DatasetCatalog catalog
        = CatalogPublishing::readIfValid(catalogFile).value_or(DatasetCatalog {.formatVersion = 1});
    CatalogPublishing::merge(
        catalog, catalogEntry(manifest, *id, baseAddress + "/" + archiveName, archive, installedBytes));
    if (auto release = appRelease(args, baseAddress))
        catalog.macApp = std::move(release);
    CatalogPublishing::write(catalog, catalogFile);
    Console::print("  catalogo   " + catalogFile.string());

    checkWrittenCatalog(catalogFile, *id, archive.sha256);
}

} // namespace morvena::tool
