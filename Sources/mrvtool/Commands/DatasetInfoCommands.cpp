// list, info, search and structure: read-only descriptions of installed datasets.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Support/DecimalText.h"
#include "AnatomyCore/Support/InvisibleCharacters.h"
#include "AnatomyCore/Support/ShellWord.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/TerminalText.h"
#include "mrvtool/Usage.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <sstream>

namespace morvena::tool {

namespace {

using TerminalText::field;

constexpr std::string_view absent = "—";
constexpr std::int64_t defaultSearchLimit = 20;
constexpr std::size_t relationLinesShown = 12;

std::string orAbsent(const std::optional<std::string>& text)
{
    return text ? field(*text) : std::string(absent);
}

// An id that no new dataset may take, of one installed before, is shown masked
// and then as the one shell word that --id takes.
std::string shownID(const std::string& id)
{
    if (!AppPaths::newDatasetIDReason(id))
        return field(id);
    return field(InvisibleCharacters::masked(id)) + " " + ShellWord::quoted(id);
}

std::string vectorText(Float3 v)
{
    return "SIMD3<Float>(" + decimalText(v.x) + ", " + decimalText(v.y) + ", " + decimalText(v.z) + ")";
}

// The Italian abbreviated date and short time ("8 dic 2026, 19:44"), in local time.
std::string importDateText(std::chrono::system_clock::time_point date)
{
    static constexpr std::array<const char*, 12> months {
        "gen", "feb", "mar", "apr", "mag", "giu", "lug", "ago", "set", "ott", "nov", "dic"};
    std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm local {};
    localtime_r(&seconds, &local);
    return format("%d %s %d, %02d:%02d", local.tm_mday, months[static_cast<std::size_t>(local.tm_mon) % 12],
        local.tm_year + 1900, local.tm_hour, local.tm_min);
}

// The first `width` characters of a name, padded to `width`.
std::string fixedColumn(std::string_view text, std::size_t width)
{
    return pad(UnicodeText::leadingCharacters(text, width), width);
}

std::string infoBlock(const DatasetManifest& manifest, const MeshPack& pack, const AnatomyDB& db)
{
    auto metaOrAbsent = [&db](std::string_view key) { return orAbsent(db.meta(key)); };
    auto lodTriangles
        = [&pack](int lod) { return humanCount(static_cast<std::int64_t>(pack.indexCountForLOD(lod) / 3)); };
    std::ostringstream out;
    out << field(manifest.displayName) << "  [" << AppPaths::quotedDatasetID(manifest.id) << "]\n"
        << "  licenza        " << field(manifest.license) << "\n"
        << "  attribuzione   " << field(manifest.attribution) << "\n"
        << "  origine        " << field(manifest.sourceURL) << "\n"
        << "  importato il   " << importDateText(manifest.importedAt) << "\n"
        << "  strutture      " << humanCount(manifest.structureCount) << "\n"
        << "  vertici        " << humanCount(static_cast<std::int64_t>(pack.vertexCount())) << "\n"
        << "  triangoli LOD0 " << lodTriangles(0) << "\n"
        << "  triangoli LOD1 " << lodTriangles(1) << "\n"
        << "  triangoli LOD2 " << lodTriangles(2) << "\n"
        << "  livelli LOD    " << pack.lodCount() << "\n"
        << "  pack su disco  " << humanCount(static_cast<std::int64_t>(pack.byteCount() / 1048576)) << " MB\n"
        << "  bounding box   " << vectorText(pack.boundsMin()) << " → " << vectorText(pack.boundsMax())
        << " (mm)\n"
        << "  ricerca FTS5   " << (db.hasFTS() ? "attiva" : "non disponibile (ripiego su LIKE)") << "\n"
        << "  schede curate  " << humanCount(db.curatedCount()) << "\n"
        << "  nomi italiani  " << humanCount(db.italianNameCount()) << "\n"
        << "  unità          " << metaOrAbsent("units") << "\n"
        << "  orientamento   " << metaOrAbsent("orientation") << "\n"
        << "  altezza        " << metaOrAbsent("bodyHeightMM") << " mm\n"
        << "  concetti       " << metaOrAbsent("conceptCount");
    return out.str();
}

std::string systemCountLines(const AnatomyDB& db)
{
    auto counts = db.countsBySystem(true);
    std::vector<std::pair<AnatomySystem, std::int64_t>> rows;
    for (auto system : allAnatomySystems()) {
        auto it = counts.find(system);
        if (it != counts.end() && it->second > 0)
            rows.emplace_back(system, it->second);
    }
    std::stable_sort(
        rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string lines;
    for (const auto& [system, count] : rows)
        lines += "\n    " + fixedColumn(italianName(system), 28) + " " + humanCount(count);
    return lines;
}

std::string structureBlock(const AnatomyStructure& s)
{
    std::ostringstream out;
    out << field(s.displayName()) << "\n"
        << "  concept      " << field(s.conceptID) << "\n"
        << "  inglese      " << field(s.nameEN) << "\n"
        << "  latino       " << orAbsent(s.nameLA) << "\n"
        << "  sistema      " << italianName(s.system) << "\n"
        << "  regione      " << italianName(s.region) << "\n"
        << "  lato         " << italianName(s.laterality) << "\n"
        << "  mesh index   " << (s.meshIndex ? std::to_string(*s.meshIndex) : std::string(absent)) << "\n"
        << "  contenuto    "
        << (s.contentSource == FieldSource::curated ? "scheda redazionale" : "solo dati del dataset") << "\n"
        << "  descrizione  " << orAbsent(s.descriptionText) << "\n"
        << "  funzione     " << orAbsent(s.function) << "\n"
        << "  origine      " << orAbsent(s.origin) << "\n"
        << "  inserzione   " << orAbsent(s.insertion) << "\n"
        << "  innervazione " << orAbsent(s.innervation) << "\n"
        << "  vascolarizz. " << orAbsent(s.bloodSupply) << "\n"
        << "  clinica      " << orAbsent(s.clinicalNotes);
    return out.str();
}

void printGeometry(const std::string& id, std::int64_t meshIndex)
{
    MeshPack pack(AppPaths::packURL(id));
    auto structures = pack.structures();
    if (meshIndex < 0 || static_cast<std::uint64_t>(meshIndex) >= structures.size()) {
        Console::print("  geometria    indice fuori dal pack (" + std::to_string(meshIndex) + ")");
        return;
    }
    const auto& record = structures[static_cast<std::size_t>(meshIndex)];
    Console::print(format("  centro (mm)  X %.1f  Y %.1f  Z %.1f   raggio %.1f", record.cx, record.cy,
                       record.cz, record.radius)
        + "\n"
        + format("  triangoli    LOD0 %u, LOD1 %u, LOD2 %u", record.lod0Count / 3, record.lod1Count / 3,
            record.lod2Count / 3)
        + "\n  vertici      " + std::to_string(record.vertexCount));
}

void printRelations(const AnatomyDB& db, const std::string& conceptID)
{
    auto related = db.related(conceptID);
    if (related.empty())
        return;
    std::string lines = "  relazioni:";
    for (std::size_t i = 0; i < related.size() && i < relationLinesShown; ++i)
        lines += "\n    " + std::string(italianName(related[i].kind)) + ": " + field(related[i].name) + " ("
            + field(related[i].conceptID) + ")";
    Console::print(lines);
}

} // namespace

void listCommand(const Args&)
{
    auto scan = DatasetManifest::scanInstalled();
    // On standard error: the list on standard output keeps its shape for scripts.
    if (auto notice = scan.notice())
        Console::writeError(notice->sentence + "\n" + (notice->command ? *notice->command + "\n" : ""));
    const auto& installed = scan.manifests;
    // The notice said why the folder could not be read: it is not empty.
    if (installed.empty() && scan.listingFailure)
        throw ExitRequest {1};
    if (installed.empty()) {
        Console::print("Nessun dataset installato in " + AppPaths::datasetsDirectory().string());
        return;
    }
    std::string lines;
    for (const auto& manifest : installed) {
        lines += (lines.empty() ? "" : "\n") + shownID(manifest.id) + "\t" + field(manifest.displayName)
            + "\t" + humanCount(manifest.structureCount) + " strutture\t" + field(manifest.license);
    }
    Console::print(lines);
}

void infoCommand(const Args& args)
{
    const auto id = requireDatasetID(args, "Nessun dataset installato.");
    const auto manifest = requireManifest(id);
    MeshPack pack(AppPaths::packURL(id));
    AnatomyDB db(AppPaths::databaseURL(id), true);
    Console::print(infoBlock(manifest, pack, db));
    Console::print("  strutture per sistema:" + systemCountLines(db));
    if (!manifest.missingSystems.empty())
        Console::print("  non presenti nel dataset: " + field(join(manifest.missingSystems, ", ")));
}

void searchCommand(const Args& args)
{
    if (args.positional.empty())
        usage();
    auto id = resolveDatasetID(args);
    if (!id)
        usage();
    AnatomyDB db(AppPaths::databaseURL(*id), true);
    auto limitText = args.option("limit");
    auto limit = limitText ? parseInteger(*limitText) : std::nullopt;
    const auto& query = args.positional.front();
    auto hits = db.search(query, limit.value_or(defaultSearchLimit));
    if (hits.empty()) {
        Console::print("Nessun risultato per \"" + query + "\".");
        return;
    }
    std::string lines;
    for (const auto& hit : hits) {
        lines += (lines.empty() ? "" : "\n") + field(hit.conceptID) + "\t"
            + field(hit.nameIT ? *hit.nameIT : hit.nameEN) + "\t[" + std::string(italianName(hit.system))
            + "]\tmesh=" + (hit.meshIndex ? std::to_string(*hit.meshIndex) : std::string(absent));
    }
    Console::print(lines);
}

void structureCommand(const Args& args)
{
    if (args.positional.empty())
        usage();
    auto id = resolveDatasetID(args);
    if (!id)
        usage();
    const auto& conceptID = args.positional.front();
    AnatomyDB db(AppPaths::databaseURL(*id), true);
    auto structure = db.structure(conceptID);
    if (!structure) {
        Console::print("Struttura non trovata: " + conceptID);
        throw ExitRequest {1};
    }
    Console::print(structureBlock(*structure));
    if (structure->meshIndex)
        printGeometry(*id, *structure->meshIndex);
    printRelations(db, conceptID);
}

} // namespace morvena::tool
