// Classifies every concept of the BodyParts3D 4.0 is-a tree by its English name
// and its ancestors' names, as the BodyParts3D import does. The tables are found
// through MORVENA_BODYPARTS3D_DIR, else in shared/data/bodyparts3d-4.0 beside or
// above the source tree.
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"
#include "BodyParts3DData.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

using namespace morvena;

namespace {

struct Concept {
    std::string name;
    std::vector<std::string> ancestors; // nearest first
};

// Every concept of the is-a parts list, in file order, with the ancestor names
// the import hands to the classifier.
std::vector<Concept> loadConcepts(const std::filesystem::path& folder)
{
    BodyParts3DImporter importer({folder, folder, "benchmark", 0, false});
    auto metadata = importer.loadMetadata([](const ImportProgress&) {});
    std::vector<Concept> concepts;
    std::unordered_set<std::string> seen;
    for (const auto& row : BodyParts3DImporter::rows(folder / "isa_parts_list_e.txt", true)) {
        if (row.size() < 3 || !seen.insert(row[0]).second)
            continue;
        concepts.push_back(
            {metadata.names.at(row[0]), BodyParts3DImporter::ancestorNames(row[0], metadata, 12)});
    }
    return concepts;
}

const std::vector<Concept>* concepts(benchmark::State& state)
{
    static const auto loaded = [] {
        auto folder = morvena::test::bodyParts3DFolder();
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
