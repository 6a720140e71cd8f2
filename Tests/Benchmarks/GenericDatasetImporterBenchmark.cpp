// A generic import of a folder of OBJ files, about one million triangles in all.
//   build/release/bin/GenericDatasetImporterBenchmark
// The dataset goes to a scratch XDG_DATA_HOME, never to the user's folders.
#include "AnatomyImport/GenericDatasetImporter.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace morvena;

namespace {

constexpr std::array names {"Left femur", "Right humerus", "Biceps brachii", "Femoral artery",
    "Sciatic nerve", "Liver", "Left kidney", "Vertebra", "Great saphenous vein", "Part"};

// A wavy side × side grid of vertices, 2 (side - 1)² triangles, in millimetres.
void writeGridOBJ(const std::filesystem::path& file, int index, int side)
{
    std::ofstream out(file);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            out << "v " << x + index * side << ' ' << y << ' ' << ((x * 7 + y * 3 + index) % 11) * 0.25
                << '\n';
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int corner = y * side + x + 1, up = corner + side;
            out << "f " << corner << ' ' << corner + 1 << ' ' << up << '\n';
            out << "f " << corner + 1 << ' ' << up + 1 << ' ' << up << '\n';
        }
    }
}

void importFolder(benchmark::State& state)
{
    const test::TemporaryFolder root {"morvena-bench"};
    const auto input = root / "input";
    std::filesystem::create_directories(input);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    const int files = int(state.range(0)), side = int(state.range(1));
    for (int i = 0; i < files; ++i)
        writeGridOBJ(
            input / (std::string(names[std::size_t(i) % names.size()]) + " " + std::to_string(i) + ".obj"), i,
            side);

    GenericDatasetImporter::Options options;
    options.input = input;
    options.datasetID = "benchmark";
    options.displayName = "Benchmark";
    options.license = "CC0";
    options.attribution = "Morvena";
    options.unitsPerMillimeter = 1;
    options.weldTolerance = 0.01f;
    options.generateLODs = state.range(2) != 0;
    std::int64_t triangles = 0;
    for (auto _ : state)
        triangles = GenericDatasetImporter(options).run({}).manifest.triangleCount;
    state.counters["triangles"] = double(triangles);
}

// 400 files of 2,450 triangles (0.98 M), with and without levels of detail.
BENCHMARK(importFolder)
    ->Args({400, 36, 1})
    ->Args({400, 36, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
