// Creating and extracting the archive of a 200 MB dataset. The pack is
// synthetic mesh data (smooth float positions and normals, growing indices),
// which compresses about as a real geometry pack does.
#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

using namespace morvena;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t datasetBytes = 200u << 20;

struct Fixture {
    test::TemporaryFolder folder {"mrvz-bench"};
    fs::path root = folder.path();
    fs::path dataset;
    fs::path archive;
    std::uint64_t inputBytes = 0;

    Fixture()
    {
        dataset = root / "dataset";
        archive = root / "dataset.mrvz";
        fs::create_directories(dataset);
        writePack(dataset / "geometry.mrvpack");
        writeDatabase(dataset / "anatomy.sqlite");
        DatasetManifest {.id = "dataset", .displayName = "Prova"}.write(dataset / "manifest.json");
        for (const auto& entry : fs::directory_iterator(dataset))
            inputBytes += fs::file_size(entry.path());
    }

    static void writePack(const fs::path& file)
    {
        std::mt19937 noise(1);
        std::normal_distribution<float> jitter(0, 0.05f);
        std::vector<float> vertices(datasetBytes * 3 / 4 / sizeof(float));
        for (std::size_t i = 0; i + 8 <= vertices.size(); i += 8) {
            float t = static_cast<float>(i) * 1e-5f;
            float x = 120 * std::sin(t), y = 800 * std::cos(t * 0.3f), z = 60 * std::sin(t * 1.7f);
            float length = std::sqrt(x * x + y * y + z * z) + 1;
            float values[8] = {x + jitter(noise), y + jitter(noise), z + jitter(noise), x / length,
                y / length, z / length, 0, 0};
            std::copy(values, values + 8, vertices.begin() + static_cast<std::ptrdiff_t>(i));
        }
        std::vector<std::uint32_t> indices(datasetBytes / 4 / sizeof(std::uint32_t));
        for (std::size_t i = 0; i < indices.size(); ++i)
            indices[i] = static_cast<std::uint32_t>(i / 3 + (i % 3) * 7 + noise() % 4);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(vertices.data()),
            static_cast<std::streamsize>(vertices.size() * 4));
        out.write(
            reinterpret_cast<const char*>(indices.data()), static_cast<std::streamsize>(indices.size() * 4));
    }

    static void writeDatabase(const fs::path& file)
    {
        sqlite3* connection = nullptr;
        sqlite3_open(file.c_str(), &connection);
        sqlite3_exec(connection,
            "CREATE TABLE structures(concept_id TEXT, name TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)"
            "INSERT INTO structures SELECT 'FMA' || i, 'struttura anatomica numero ' || i FROM n;",
            nullptr, nullptr, nullptr);
        sqlite3_close(connection);
    }
};

Fixture& fixture()
{
    static Fixture shared;
    return shared;
}

void BM_CreateArchive(benchmark::State& state)
{
    auto& data = fixture();
    DatasetArchive::Created created;
    for (auto _ : state)
        created = DatasetArchive::create(data.dataset, data.archive);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.inputBytes));
    state.counters["ratio"] = static_cast<double>(data.inputBytes) / static_cast<double>(created.bytes);
    state.counters["archiveMB"] = static_cast<double>(created.bytes) / (1 << 20);
}

void BM_ExtractArchive(benchmark::State& state)
{
    auto& data = fixture();
    if (!fs::exists(data.archive))
        DatasetArchive::create(data.dataset, data.archive);
    auto into = data.root / "extracted";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(into);
        fs::create_directories(into);
        state.ResumeTiming();
        DatasetArchive::extract(data.archive, into);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.inputBytes));
}

void BM_Sha256(benchmark::State& state)
{
    auto& data = fixture();
    if (!fs::exists(data.archive))
        DatasetArchive::create(data.dataset, data.archive);
    for (auto _ : state)
        benchmark::DoNotOptimize(DatasetArchive::sha256(data.archive));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(data.archive)));
}

} // namespace

BENCHMARK(BM_CreateArchive)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ExtractArchive)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Sha256)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
