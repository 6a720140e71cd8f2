// fetch-dataset: downloads one dataset of the published catalog, installs it
// and opens it once to check that it is whole.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Download/DatasetDownload.h"
#include "AnatomyCore/Download/HttpTransfer.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/FetchProgress.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/TerminalText.h"

#include <algorithm>
#include <numeric>
#include <semaphore>

namespace morvena::tool {

namespace {

std::string megabytes(std::int64_t bytes)
{
    return humanCount(bytes / 1048576);
}

const DatasetCatalog::Entry& chosenEntry(const DatasetCatalog& catalog, const std::optional<std::string>& id)
{
    if (catalog.datasets.empty())
        throw Fail("Il catalogo non elenca dataset.");
    if (!id)
        return catalog.datasets.front();
    auto entry = std::find_if(catalog.datasets.begin(), catalog.datasets.end(),
        [&](const auto& candidate) { return candidate.id == *id; });
    if (entry == catalog.datasets.end())
        throw Fail("Dataset " + AppPaths::quotedDatasetID(*id) + " assente dal catalogo.");
    return *entry;
}

// Runs the download to its end; the stages arrive on the download's worker.
// Returns where a damaged installed database was kept, if one was.
std::optional<DamagedDatabase::Kept> download(const DatasetCatalog::Entry& entry)
{
    std::counting_semaphore<> finished(0);
    FetchProgress progress;
    DatasetDownload transfer(entry, [&](const DatasetDownload::Stage& stage) {
        auto text = progress.record(stage);
        if (!text.empty())
            Console::writeError(text);
        if (stage.kind == DatasetDownload::Stage::Kind::done
            || stage.kind == DatasetDownload::Stage::Kind::failed)
            finished.release();
    });
    transfer.start();
    finished.acquire();
    if (auto message = progress.failure())
        throw Fail(*message);
    return progress.keptDatabase();
}

// Opens what was installed and says what it holds. The installation compared
// the manifest's counts with the pack before the swap, so they agree here.
void checkInstalled(const std::string& id)
{
    const auto manifest = requireManifest(id);
    MeshPack pack(AppPaths::packURL(id));
    AnatomyDB db(AppPaths::databaseURL(id), false);
    auto counts = db.countsBySystem(true);
    std::int64_t classified = std::accumulate(counts.begin(), counts.end(), std::int64_t {0},
        [](auto sum, const auto& count) { return sum + count.second; });
    auto packCount = static_cast<std::int64_t>(pack.structureCount());

    Console::print("✓ installato in " + AppPaths::datasetDirectory(id).string());
    Console::print("  manifest   " + TerminalText::field(manifest.displayName) + " "
        + TerminalText::field(manifest.version));
    Console::print("  pack       " + humanCount(packCount) + " strutture, "
        + humanCount(static_cast<std::int64_t>(pack.triangleCount())) + " triangoli");
    Console::print("  database   " + humanCount(classified) + " strutture classificate");
}

} // namespace

void fetchDatasetCommand(const Args& args)
{
    auto given = args.option("catalog");
    auto address = given ? HttpTransfer::parseAddress(*given) : std::nullopt;
    if (!address)
        address = HttpTransfer::parseAddress(DatasetCatalog::url()).value_or(DatasetCatalog::url());
    Console::print("Catalogo: " + *address);

    auto catalog = DatasetCatalog::load(*address);
    const auto& entry = chosenEntry(catalog, args.option("id"));
    // The entry's id becomes the dataset's folder name: refused before anything is fetched.
    AppPaths::validateDatasetID(entry.id);

    Console::print("Dataset:  " + TerminalText::field(entry.displayName) + " — "
        + humanCount(entry.structureCount) + " strutture");
    Console::print("Archivio: " + TerminalText::field(entry.archive));
    Console::print(std::string(10, ' ') + megabytes(entry.archiveBytes) + " MB da scaricare, "
        + megabytes(entry.installedBytes) + " MB installati");

    const auto kept = download(entry);
    checkInstalled(entry.id);
    if (kept)
        Console::print(DamagedDatabase::notice(*kept));
}

} // namespace morvena::tool
