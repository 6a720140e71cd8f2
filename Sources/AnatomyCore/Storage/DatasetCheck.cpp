#include "AnatomyCore/Storage/DatasetCheck.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackError.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Support/FileError.h"
#include "AnatomyCore/Support/InvisibleCharacters.h"
#include "AnatomyCore/Support/ShellWord.h"
#include "AnatomyCore/Support/SmallFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>

namespace morvena::DatasetCheck {

namespace {

namespace fs = std::filesystem;
using Kind = Problem::Kind;

// No pack can hold more structures, vertices or triangles than its 32-bit
// counts: a manifest claiming more describes no dataset.
constexpr std::int64_t largestPossibleCount = std::numeric_limits<std::uint32_t>::max();

// Another component's message as a clause of a problem, which a caller
// follows with its own full stop.
std::string clause(std::string_view message)
{
    if (message.ends_with('.'))
        message.remove_suffix(1);
    return std::string(message);
}

// The manifest, or nothing when a problem (added to `problems`) keeps it from being read.
std::optional<DatasetManifest> readManifest(
    const fs::path& folder, std::string_view id, std::vector<Problem>& problems)
{
    auto refused = [&](std::string text) {
        problems.push_back({Kind::manifest, std::move(text)});
        return std::nullopt;
    };
    std::optional<std::string> bytes;
    try {
        bytes = SmallFile::load(folder / AppPaths::manifestFileName);
    } catch (const FileError& error) {
        return refused("manifest illeggibile: " + error.reason());
    }
    if (!nlohmann::json::accept(*bytes))
        return refused("il manifest non è un documento JSON valido");
    DatasetManifest manifest;
    try {
        manifest = DatasetManifest::decode(*bytes);
    } catch (const DecodingError& error) {
        return refused("manifest illeggibile: " + clause(error.what()));
    }
    if (manifest.id != id)
        return refused("il manifest descrive il dataset " + AppPaths::quotedDatasetID(manifest.id)
            + " invece di " + AppPaths::quotedDatasetID(id));
    for (auto [name, count] : {std::pair {"strutture", manifest.structureCount},
             std::pair {"triangoli", manifest.triangleCount}, std::pair {"vertici", manifest.vertexCount}})
        if (count < 0 || count > largestPossibleCount)
            return refused("il manifest dichiara un numero impossibile di " + std::string(name) + " ("
                + std::to_string(count) + ")");
    return manifest;
}

// The manifest's counts are what the setup screen and `list` show and what a
// catalog publishes: they must be the pack's own.
void addCountProblems(const DatasetManifest& manifest, const MeshPack& pack, std::vector<Problem>& problems)
{
    for (auto [name, declared, held] :
        {std::tuple {"strutture", manifest.structureCount, pack.structureCount()},
            std::tuple {"triangoli", manifest.triangleCount, pack.triangleCount()},
            std::tuple {"vertici", manifest.vertexCount, pack.vertexCount()}})
        if (declared != static_cast<std::int64_t>(held))
            problems.push_back({Kind::manifest,
                "il manifest dichiara " + std::to_string(declared) + " " + name + ", il pack ne contiene "
                    + std::to_string(held)});
}

bool isFinitePosition(const PackVertex& vertex)
{
    return isFinite(Float3 {vertex.px, vertex.py, vertex.pz});
}

void addGeometryProblems(const MeshPack& pack, const std::optional<DatasetManifest>& manifest, Depth depth,
    std::vector<Problem>& problems)
{
    if (manifest && depth == Depth::everyVertex)
        addCountProblems(*manifest, pack, problems);
    // A non-finite box frames the camera nowhere: the viewport would stay empty.
    if (!isFinite(pack.boundsMin()) || !isFinite(pack.boundsMax()))
        problems.push_back({Kind::geometry, "i limiti del pack non sono numeri finiti (NaN o infinito)"});
    if (depth == Depth::bounds)
        return;
    auto broken = std::ranges::count_if(
        pack.vertices(), [](const PackVertex& vertex) { return !isFinitePosition(vertex); });
    if (broken > 0)
        problems.push_back({Kind::geometry,
            std::to_string(broken) + " vertici del pack hanno coordinate non finite (NaN o infinito)"});
}

// The verdict is the one judgement of damage: where it finds any, no other
// check reads through it.
void addDatabaseProblems(
    const AnatomyDB& db, const MeshPack* pack, Depth depth, std::vector<Problem>& problems)
{
    if (const auto verdict = db.verdict(); !verdict.clean()) {
        const auto kind
            = verdict.kind == DatabaseVerdict::Kind::userRowsDamaged ? Kind::userRows : Kind::verdict;
        problems.push_back({kind, verdict.line()});
        return;
    }
    if (auto problem = db.schemaProblem()) {
        problems.push_back(
            {Kind::database, "il database non è un database anatomico utilizzabile: " + *problem});
        return;
    }
    if (depth == Depth::bounds)
        return;
    // Imports write UTF-8. A database in another encoding still opens where
    // it is installed already, but none comes in, nor goes out again in an archive.
    if (const auto encoding = db.textEncoding(); encoding != "UTF-8")
        problems.push_back({Kind::database,
            "il database usa la codifica " + (encoding.empty() ? std::string("sconosciuta") : encoding)
                + " invece di UTF-8"});
    if (!pack)
        return; // without a pack no mesh index can be judged
    const auto outside = db.structuresOutsidePack(static_cast<std::int64_t>(pack->structureCount()));
    if (outside > 0)
        problems.push_back({Kind::database,
            std::to_string(outside) + " strutture del database indicano una mesh che il pack non contiene"});
    std::ranges::move(structureCountProblems(db, pack->structureCount()), std::back_inserter(problems));
}

} // namespace

std::vector<Problem> structureCountProblems(const AnatomyDB& db, std::size_t packStructures)
{
    std::vector<Problem> found;
    if (packStructures == 0)
        found.push_back({Kind::geometry, "pack senza strutture"});
    std::int64_t meshed = 0;
    for (const auto& [system, count] : db.countsBySystem())
        meshed += count;
    if (meshed != static_cast<std::int64_t>(packStructures))
        found.push_back({Kind::database,
            "il database dichiara " + std::to_string(meshed)
                + " strutture con geometria, il pack ne contiene " + std::to_string(packStructures)});
    return found;
}

std::vector<Problem> problems(const fs::path& folder, std::string_view id, Depth depth)
{
    std::vector<Problem> found;
    const auto manifest = readManifest(folder, id, found);
    std::unique_ptr<MeshPack> pack;
    try {
        pack = std::make_unique<MeshPack>(folder / AppPaths::packFileName);
        addGeometryProblems(*pack, manifest, depth, found);
    } catch (const MeshPackError& error) {
        found.push_back({Kind::packUnreadable, "il pack non si apre: " + clause(error.what())});
    }
    try {
        AnatomyDB db(folder / AppPaths::databaseFileName, true);
        addDatabaseProblems(db, pack.get(), depth, found);
    } catch (const DBError& error) {
        found.push_back({Kind::database, "il database non si apre: " + error.reason()});
    }
    return found;
}

std::vector<Problem> problems(
    const MeshPack& pack, const AnatomyDB& db, const fs::path& folder, std::string_view id, Depth depth)
{
    std::vector<Problem> found;
    addGeometryProblems(pack, readManifest(folder, id, found), depth, found);
    addDatabaseProblems(db, &pack, depth, found);
    return found;
}

Unusable::Unusable(std::string_view id, const Problem& first)
    : std::runtime_error("Il dataset " + InvisibleCharacters::masked(id) + " non è utilizzabile: "
        + first.text + ". Per i dettagli: mrvtool verify --id " + ShellWord::quoted(id))
{
}

void require(
    const MeshPack& pack, const AnatomyDB& db, const fs::path& folder, std::string_view id, Depth depth)
{
    const auto found = problems(pack, db, folder, id, depth);
    if (std::ranges::any_of(found, [](const Problem& problem) { return problem.kind == Kind::userRows; }))
        throw DamagedUserRows(id);
    if (!found.empty())
        throw Unusable(id, found.front());
}

DamagedUserRows::DamagedUserRows(std::string_view id)
    : std::runtime_error("Impossibile aprire il dataset " + InvisibleCharacters::masked(id)
        + ": annotazioni, segnalibri o viste salvate del database sono danneggiati. Un nuovo import o "
          "download del dataset trasferisce ciò che si può leggere e conserva il resto in un file a parte.")
{
}

} // namespace morvena::DatasetCheck
