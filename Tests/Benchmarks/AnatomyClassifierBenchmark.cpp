// Classifies every concept of the BodyParts3D 4.0 is-a tree by its English name
// and its ancestors' names, as the BodyParts3D import does. The tables are found
// through MORVENA_BODYPARTS3D_DIR, else in shared/data/bodyparts3d-4.0 beside or
// above the source tree.
#include "AnatomyImport/AnatomyClassifier.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using namespace morvena;

namespace {

struct Concept {
    std::string name;
    std::vector<std::string> ancestors; // nearest first
};

std::optional<std::filesystem::path> dataFolder()
{
    if (const char* folder = std::getenv("MORVENA_BODYPARTS3D_DIR"))
        return std::filesystem::path(folder);
    for (std::filesystem::path folder = MORVENA_SOURCE_DIR; !folder.empty(); folder = folder.parent_path()) {
        auto candidate = folder / "shared" / "data" / "bodyparts3d-4.0";
        if (std::filesystem::exists(candidate / "isa_parts_list_e.txt"))
            return candidate;
        if (folder == folder.parent_path())
            break;
    }
    return std::nullopt;
}

// The tab-separated rows after the header line.
std::vector<std::vector<std::string>> readRows(const std::filesystem::path& file)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream stream(file);
    std::string line;
    std::getline(stream, line);
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (auto tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
            cells.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        cells.push_back(line.substr(start));
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::vector<Concept> loadConcepts(const std::filesystem::path& folder)
{
    std::unordered_map<std::string, std::string> names;
    std::vector<std::string> order;
    for (auto& row : readRows(folder / "isa_parts_list_e.txt")) {
        if (row.size() >= 3 && names.emplace(row[0], row[2]).second)
            order.push_back(row[0]);
    }
    std::unordered_map<std::string, std::string> parentOf;
    for (auto& row : readRows(folder / "isa_inclusion_relation_list.txt")) {
        if (row.size() >= 4)
            parentOf.emplace(row[2], row[0]);
    }
    std::vector<Concept> concepts;
    for (const auto& id : order) {
        Concept entry {names[id], {}};
        std::unordered_set<std::string> seen {id};
        for (auto parent = parentOf.find(id); parent != parentOf.end();
             parent = parentOf.find(parent->second)) {
            if (!seen.insert(parent->second).second)
                break;
            if (auto name = names.find(parent->second); name != names.end())
                entry.ancestors.push_back(name->second);
        }
        concepts.push_back(std::move(entry));
    }
    return concepts;
}

const std::vector<Concept>* concepts(benchmark::State& state)
{
    static const auto loaded = [] {
        auto folder = dataFolder();
        return folder ? loadConcepts(*folder) : std::vector<Concept> {};
    }();
    if (loaded.empty()) {
        state.SkipWithError("BodyParts3D tables not found (set MORVENA_BODYPARTS3D_DIR)");
        return nullptr;
    }
    return &loaded;
}

std::size_t classifyAll(const std::vector<Concept>& all)
{
    std::size_t unclassified = 0;
    for (const auto& entry : all) {
        auto system = AnatomyClassifier::system(entry.name, entry.ancestors);
        benchmark::DoNotOptimize(AnatomyClassifier::region(entry.name, entry.ancestors));
        benchmark::DoNotOptimize(AnatomyClassifier::laterality(entry.name));
        unclassified += system == AnatomySystem::unclassified;
    }
    return unclassified;
}

void report(benchmark::State& state, const std::vector<Concept>& all, std::size_t unclassified)
{
    std::size_t phrases = 0;
    for (const auto& entry : all)
        phrases += 1 + entry.ancestors.size();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * all.size()));
    state.counters["names"] = static_cast<double>(all.size());
    state.counters["phrases"] = static_cast<double>(phrases);
    state.counters["unclassified"] = static_cast<double>(unclassified);
}

// Every name and ancestor name seen before: what the rest of an import pays.
void classifyRepeated(benchmark::State& state)
{
    const auto* all = concepts(state);
    if (!all)
        return;
    std::size_t unclassified = classifyAll(*all);
    for (auto _ : state)
        unclassified = classifyAll(*all);
    report(state, *all, unclassified);
}
BENCHMARK(classifyRepeated)->Unit(benchmark::kMillisecond);

// A first import: every name new to the process, ancestor names repeating
// within the pass. A tag of digits (never a keyword, pattern or side word) makes
// each pass's names unseen.
void classifyFirstImport(benchmark::State& state)
{
    const auto* original = concepts(state);
    if (!original)
        return;
    std::size_t unclassified = 0;
    std::size_t pass = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto tag = " " + std::to_string(++pass);
        auto fresh = *original;
        for (auto& entry : fresh) {
            entry.name += tag;
            for (auto& ancestor : entry.ancestors)
                ancestor += tag;
        }
        state.ResumeTiming();
        unclassified = classifyAll(fresh);
    }
    report(state, *original, unclassified);
}
BENCHMARK(classifyFirstImport)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
