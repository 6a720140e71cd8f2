// verify and audit: read-only checks of an installed dataset's pack and classification.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/DatasetCheck.h"
#include "AnatomyImport/Naming/CaselessPattern.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/TerminalText.h"
#include "mrvtool/RawPackReader.h"
#include "mrvtool/Refusal.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <set>

namespace morvena::tool {

namespace {

constexpr std::size_t problemLinesShown = 40;

// How many of a run's indices name a vertex outside [first, first + count).
std::size_t indicesOutside(std::span<const std::uint32_t> run, std::uint64_t first, std::uint64_t count)
{
    return static_cast<std::size_t>(std::ranges::count_if(
        run, [first, count](std::uint32_t index) { return index < first || index - first >= count; }));
}

void checkRuns(std::size_t i, const PackStructure& record, std::span<const std::uint32_t> indices,
    std::vector<std::string>& problems)
{
    auto prefix = "struttura " + std::to_string(i) + " LOD";
    for (int lod = 0; lod < PackFormat::maxLODs; ++lod) {
        std::uint64_t start = record.lodIndexStart(lod);
        std::uint64_t count = record.lodIndexCount(lod);
        if (count == 0)
            continue;
        auto run = prefix + std::to_string(lod) + ": ";
        if (count % 3 != 0)
            problems.push_back(run + "indici non multipli di 3");
        if (start + count > indices.size()) {
            problems.push_back(run + "range oltre il buffer");
            continue;
        }
        auto outside = indicesOutside(indices.subspan(start, count), record.vertexStart, record.vertexCount);
        if (outside > 0)
            problems.push_back(run + std::to_string(outside) + " indici fuori range");
    }
}

// The structure checks: vertex range, level runs and, where `lookUp`, a database
// row for each structure; a database whose verdict is not clean is named once
// by the dataset's check instead of once per structure.
std::vector<std::string> structureProblems(const RawPackReader& pack, const AnatomyDB& db, bool lookUp)
{
    std::vector<std::string> problems;
    auto structures = pack.structures();
    for (std::size_t i = 0; i < structures.size(); ++i) {
        const auto& record = structures[i];
        // Indices inside the structure's own range still fail to draw when that
        // range runs past the vertices the pack holds.
        if (std::uint64_t(record.vertexStart) + record.vertexCount > pack.vertexCount())
            problems.push_back("struttura " + std::to_string(i) + ": vertici oltre il buffer");
        checkRuns(i, record, pack.indices(), problems);
        auto conceptID = pack.conceptID(i);
        if (lookUp && !db.structure(conceptID))
            problems.push_back("struttura " + std::to_string(i) + " (" + TerminalText::field(conceptID)
                + ") assente dal database");
    }
    return problems;
}

std::string problemReport(const std::vector<std::string>& problems)
{
    std::string lines = "Problemi rilevati (" + std::to_string(problems.size()) + "):";
    for (std::size_t i = 0; i < problems.size() && i < problemLinesShown; ++i)
        lines += "\n  - " + problems[i];
    return lines;
}

// One row of the classification table: structures whose English name matches
// `pattern` belong in `system`.
struct AuditRule {
    std::string_view name;
    CaselessPattern pattern;
    AnatomySystem system;
};

std::vector<AuditRule> auditRules()
{
    using enum AnatomySystem;
    std::vector<AuditRule> rules;
    auto add = [&rules](std::string_view name, std::string_view pattern, AnatomySystem system) {
        rules.push_back({name, CaselessPattern(pattern), system});
    };
    add("muscolo papillare", "papillary muscle", cardiac);
    add("valvola cardiaca", "\\bvalve\\b|\\bcusp\\b|\\bleaflet\\b", cardiac);
    add("disco intervertebrale", "intervertebral (disk|disc)", cartilage);
    add("cartilagine", "\\bcartilage\\b|meniscus|\\blabrum\\b", cartilage);
    add("legamento", "\\bligament\\b|retinaculum|aponeurosis|interosseous membrane", ligament);
    add("tendine", "\\btendon\\b|tendinous ring", tendon);
    add("arteria", "\\bartery\\b|\\barteries\\b|\\barteriole\\b|\\baorta\\b", arterial);
    add("vena", "\\bvein\\b|\\bveins\\b|\\bvenule\\b|vena cava", venous);
    add("nervo", "\\bnerve\\b|\\bganglion\\b", nervous);
    add("muscolo", "\\bmuscle\\b", muscular);
    add("bronco", "bronch", respiratory);
    add("osso",
        "\\bbone\\b|\\bvertebra\\b|\\brib\\b|\\bskull\\b|\\bmandible\\b|\\bsternum\\b|\\bfemur\\b|"
        "\\btibia\\b|"
        "\\bfibula\\b|\\bhumerus\\b|\\bulna\\b|\\bscapula\\b|\\bclavicle\\b|\\bpatella\\b|\\bsacrum\\b|"
        "\\bcalcaneus\\b|\\btalus\\b|\\bphalanx\\b",
        skeletal);
    return rules;
}

std::string replacingAll(std::string text, std::string_view what)
{
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
    return text;
}

struct AuditLimits {
    std::size_t mismatches;
    std::size_t unclassified;
    std::size_t oneSided;
};

constexpr std::string_view listIndent = "      ";

void printMismatches(const std::vector<AuditRule>& rules,
    const std::map<std::string_view, std::vector<const AnatomyStructure*>>& mismatches, std::size_t shown)
{
    for (const auto& rule : rules) {
        auto it = mismatches.find(rule.name);
        if (it == mismatches.end()) {
            Console::print("  ✓ " + std::string(rule.name) + ": nessuna discordanza");
            continue;
        }
        std::string lines
            = "  ✗ " + std::string(rule.name) + ": " + std::to_string(it->second.size()) + " discordanze";
        for (std::size_t i = 0; i < it->second.size() && i < shown; ++i)
            lines += "\n" + std::string(listIndent) + TerminalText::field(it->second[i]->nameEN) + "  →  "
                + std::string(italianName(it->second[i]->system));
        Console::print(lines);
    }
}

// Side-free names under which only the left or only the right structure exists.
std::vector<std::string> oneSidedNames(const std::vector<const AnatomyStructure*>& meshed)
{
    std::map<std::string, std::set<Laterality>> sides;
    for (const auto* structure : meshed)
        sides[replacingAll(replacingAll(structure->nameEN, "right "), "left ")].insert(structure->laterality);
    std::vector<std::string> names;
    for (const auto& [key, seen] : sides) {
        if (seen.size() == 1 && *seen.begin() != Laterality::unpaired)
            names.push_back(key);
    }
    return names; // std::map keeps them in ascending order
}

std::string indentedList(const std::vector<std::string>& names, std::size_t shown)
{
    std::string lines;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i)
        lines += "\n" + std::string(listIndent) + TerminalText::field(names[i]);
    return lines;
}

// A damaged database that an import or a download kept holds the user's rows:
// naming it on every check finds it again once the line that told of it has
// scrolled away, or was never written. It fails nothing.
void printKeptDatabases(const std::string& id)
{
    std::error_code ignored;
    for (const auto& file : DamagedDatabase::keptIn(AppPaths::datasetDirectory(id), ignored))
        Console::print("File conservato di un database danneggiato: " + file.string());
}

} // namespace

void verifyCommand(const Args& args)
{
    auto id = requireDatasetID(args, "Nessun dataset.");
    printKeptDatabases(id);
    auto packURL = AppPaths::packURL(id);
    RawPackReader inspection(packURL);
    AnatomyDB db(AppPaths::databaseURL(id), true);

    // What the installation and the viewer check as well: the database's
    // verdict, manifest, finite geometry, database schema and mesh indices, and
    // the structure count. The viewer opens the pack with every record checked,
    // so damage the structure checks do not name (a vertex owned by no
    // structure, a level the header does not declare) fails too; when they
    // named some, the pack's refusal adds nothing. Without an open pack the
    // check counts no structures: the raw reader's count stands in.
    auto checked
        = DatasetCheck::problems(AppPaths::datasetDirectory(id), id, DatasetCheck::Depth::everyVertex);
    const auto verdict = std::ranges::find_if(checked, [](const DatasetCheck::Problem& problem) {
        return problem.kind == DatasetCheck::Problem::Kind::verdict
            || problem.kind == DatasetCheck::Problem::Kind::userRows;
    });
    const bool clean = verdict == checked.end();
    std::vector<std::string> problems;
    if (!clean)
        problems.push_back(std::move(verdict->text));
    auto structural = structureProblems(inspection, db, clean);
    const bool damageNamed = !structural.empty();
    std::ranges::move(structural, std::back_inserter(problems));
    const auto unreadablePack = [](const DatasetCheck::Problem& problem) {
        return problem.kind == DatasetCheck::Problem::Kind::packUnreadable;
    };
    if (std::ranges::any_of(checked, unreadablePack) && clean)
        for (auto& problem : DatasetCheck::structureCountProblems(db, inspection.structures().size()))
            problems.push_back(std::move(problem.text));
    for (auto it = checked.begin(); it != checked.end(); ++it)
        if (it != verdict && (!unreadablePack(*it) || !damageNamed))
            problems.push_back(std::move(it->text));

    if (!problems.empty())
        refuse(problemReport(problems));
    std::size_t levelZeroIndices = 0;
    for (const auto& record : inspection.structures())
        levelZeroIndices += record.lodIndexCount(0);
    Console::print(
        "Verifica superata: " + humanCount(static_cast<std::int64_t>(inspection.structures().size()))
        + " strutture, " + humanCount(static_cast<std::int64_t>(levelZeroIndices / 3))
        + " triangoli, indici e database coerenti.");
}

void auditCommand(const Args& args)
{
    auto id = requireDatasetID(args, "Nessun dataset.");
    printKeptDatabases(id);
    AnatomyDB db(AppPaths::databaseURL(id), true);
    // Otherwise every list would read what damage leaves and the audit pass.
    if (const auto verdict = db.verdict(); !verdict.clean())
        refuse(verdict.line());
    auto all = db.allStructures();
    auto rules = auditRules();
    bool full = args.flag("full");
    AuditLimits limits = full ? AuditLimits {200, 100, 100} : AuditLimits {6, 10, 8};

    std::vector<const AnatomyStructure*> meshed;
    for (const auto& structure : all)
        if (structure.meshIndex)
            meshed.push_back(&structure);

    std::size_t matched = 0;
    std::size_t totalMismatches = 0;
    std::map<std::string_view, std::vector<const AnatomyStructure*>> mismatches;
    std::vector<std::string> unclassified;
    for (const auto* structure : meshed) {
        if (structure->system == AnatomySystem::unclassified)
            unclassified.push_back(structure->nameEN);
        auto rule = std::ranges::find_if(
            rules, [structure](const AuditRule& r) { return r.pattern.search(structure->nameEN); });
        if (rule == rules.end())
            continue;
        ++matched;
        if (structure->system != rule->system) {
            mismatches[rule->name].push_back(structure);
            ++totalMismatches;
        }
    }

    printMismatches(rules, mismatches, limits.mismatches);
    Console::print("\n  strutture verificate per nome: " + std::to_string(matched));
    Console::print("  discordanze totali: " + std::to_string(totalMismatches));
    Console::print("  strutture senza sistema: " + std::to_string(unclassified.size())
        + indentedList(unclassified, limits.unclassified));
    auto oneSided = oneSidedNames(meshed);
    Console::print("  strutture con un solo lato presente (asimmetrie da verificare): "
        + std::to_string(oneSided.size()) + indentedList(oneSided, limits.oneSided));
    if (totalMismatches > 0)
        throw ExitRequest {1};
}

} // namespace morvena::tool
