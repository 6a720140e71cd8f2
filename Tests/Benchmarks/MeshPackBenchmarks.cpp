// Building, writing and opening a dataset-sized geometry pack.
//   build/release/bin/MeshPackBenchmarks
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>

using namespace morvena;

namespace {

// A side × side grid of vertices: 2 (side - 1)² triangles, like one anatomical element.
MeshPackBuilder::Mesh gridMesh(int index, int side)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = "FMA" + std::to_string(100000 + index);
    mesh.name = "struttura " + std::to_string((index * 7919) % 100003);
    mesh.system = static_cast<AnatomySystem>(index % 18);
    mesh.region = static_cast<BodyRegion>(index % 10);
    const auto count = static_cast<std::size_t>(side * side);
    mesh.positions.reserve(count);
    mesh.normals.reserve(count);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            mesh.positions.push_back({float(x) + float(index), float(y), float(index % 37)});
            mesh.normals.push_back({0, 0, 1});
        }
    }
    auto& triangles = mesh.lodIndices.emplace_back();
    triangles.reserve(static_cast<std::size_t>(6 * (side - 1) * (side - 1)));
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            auto corner = static_cast<std::uint32_t>(y * side + x);
            auto right = corner + 1, up = corner + static_cast<std::uint32_t>(side);
            triangles.insert(triangles.end(), {corner, right, up, right, up + 1, up});
        }
    }
    return mesh;
}

MeshPackBuilder stagedBuilder(int meshes, int side)
{
    MeshPackBuilder builder;
    for (int i = 0; i < meshes; ++i)
        builder.add(gridMesh(i, side));
    return builder;
}

double peakResidentMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void setSizeCounters(
    benchmark::State& state, const MeshPackBuilder& builder, const std::filesystem::path& file)
{
    state.counters["triangles"] = double(builder.totalIndices() / 3);
    state.counters["stagedMiB"]
        = double(builder.totalVertices() * 24 + builder.totalIndices() * 4) / (1 << 20);
    state.counters["packMiB"] = double(std::filesystem::file_size(file)) / (1 << 20);
    state.counters["peakRSSMiB"] = peakResidentMiB();
}

// Sort and write of meshes already staged, as an import does at its end.
void sortAndWrite(benchmark::State& state)
{
    const test::TemporaryFolder folder {"morvena-bench"};
    auto builder = stagedBuilder(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        builder.sortForLocality();
        builder.write(folder / "geometry.mrvpack", "Benchmark", "CC BY-SA");
    }
    setSizeCounters(state, builder, folder / "geometry.mrvpack");
}

// Opening checks every record, vertex owner and index against the mapping.
void openPack(benchmark::State& state)
{
    const test::TemporaryFolder folder {"morvena-bench"};
    auto builder = stagedBuilder(int(state.range(0)), int(state.range(1)));
    builder.sortForLocality();
    builder.write(folder / "geometry.mrvpack", "Benchmark", "CC BY-SA");
    for (auto _ : state) {
        MeshPack pack(folder / "geometry.mrvpack");
        benchmark::DoNotOptimize(pack.triangleCount());
    }
}

// 2,000 elements of 2,048 triangles (4.1 M) and 500 of them (1 M).
BENCHMARK(sortAndWrite)->Args({2000, 33})->Args({500, 33})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(openPack)->Args({2000, 33})->Args({500, 33})->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
