// Database costs of an import and of the sidebar search, on a dataset of the
// size of a full-body import.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace morvena;

namespace {

constexpr int structureCount = 10'000;

// Removed with everything in it when the program ends.
const std::filesystem::path& benchmarkFolder()
{
    static const test::TemporaryFolder folder {"morvena-db-bench"};
    return folder.path();
}

struct Dataset {
    std::vector<AnatomyStructure> structures;
    std::vector<AnatomyRelation> relations;
};

const Dataset& dataset()
{
    static const Dataset data = [] {
        constexpr std::array sides {"Left", "Right"};
        constexpr std::array parts {
            "femoral", "tibial", "radial", "ulnar", "brachial", "carotid", "iliac", "popliteal"};
        constexpr std::array kinds {"artery", "vein", "nerve", "muscle", "ligament"};
        constexpr std::array italianKinds {"Arteria", "Vena", "Nervo", "Muscolo", "Legamento"};
        Dataset result;
        for (int i = 0; i < structureCount; ++i) {
            const auto kind = static_cast<std::size_t>(i) % kinds.size();
            const std::string part = parts[(static_cast<std::size_t>(i) / kinds.size()) % parts.size()];
            AnatomyStructure structure;
            structure.conceptID = "FMA" + std::to_string(10'000 + i);
            structure.meshIndex = i;
            structure.nameEN
                = std::string(sides[i % 2]) + " " + part + " " + kinds[kind] + " " + std::to_string(i);
            structure.nameIT = std::string(italianKinds[kind]) + " " + part + "e " + std::to_string(i);
            structure.synonyms = {part + " " + kinds[kind]};
            structure.system = anatomySystem(static_cast<std::uint32_t>(i % 18)).value();
            structure.region = BodyRegion::lowerLimb;
            structure.laterality = i % 2 ? Laterality::right : Laterality::left;
            structure.descriptionText = "Struttura " + std::to_string(i) + " del dataset di prova.";
            structure.datasetName = "Benchmark";
            result.structures.push_back(structure);
            result.relations.push_back(
                {structure.conceptID, "FMA" + std::to_string(10'000 + (i + 1) % structureCount),
                    RelationKind::partOf, FieldSource::dataset});
            result.relations.push_back(
                {structure.conceptID, "FMA" + std::to_string(10'000 + (i * 7) % structureCount),
                    RelationKind::innervates, FieldSource::curated});
        }
        return result;
    }();
    return data;
}

void writeDataset(const std::filesystem::path& file)
{
    std::filesystem::remove(file);
    std::filesystem::remove(file.string() + "-wal");
    std::filesystem::remove(file.string() + "-shm");
    AnatomyDB db(file);
    db.createSchema();
    db.transaction([&] {
        db.insert(dataset().structures);
        db.insert(dataset().relations);
    });
}

void BM_BulkInsert(benchmark::State& state)
{
    const auto file = benchmarkFolder() / "insert.sqlite";
    dataset();
    for (auto _ : state)
        writeDataset(file);
    state.SetItemsProcessed(state.iterations() * structureCount);
}
BENCHMARK(BM_BulkInsert)->Unit(benchmark::kMillisecond);

const AnatomyDB& searchDatabase()
{
    static const auto db = [] {
        const auto file = benchmarkFolder() / "search.sqlite";
        writeDataset(file);
        return std::make_unique<AnatomyDB>(file, true);
    }();
    return *db;
}

void searchFor(benchmark::State& state, const char* text)
{
    const AnatomyDB& db = searchDatabase();
    std::size_t hits = 0;
    for (auto _ : state) {
        auto found = db.search(text, 50);
        hits = found.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["hits"] = static_cast<double>(hits);
}

// Word beginnings through the full-text index.
void BM_SearchFullText(benchmark::State& state)
{
    searchFor(state, "left fem");
}
BENCHMARK(BM_SearchFullText)->Unit(benchmark::kMicrosecond);

// A full-text miss: the index answers first, then LIKE scans every row.
void BM_SearchLikeFallback(benchmark::State& state)
{
    searchFor(state, "moral arte");
}
BENCHMARK(BM_SearchLikeFallback)->Unit(benchmark::kMicrosecond);

// Punctuation only: straight to LIKE.
void BM_SearchPunctuation(benchmark::State& state)
{
    searchFor(state, "-");
}
BENCHMARK(BM_SearchPunctuation)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
