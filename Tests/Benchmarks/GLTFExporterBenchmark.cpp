// Exporting a dataset-sized geometry pack as GLB.
//   build/release/bin/GLTFExporterBenchmark
#include "../AnatomyCoreTests/PackTestSupport.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <numeric>

using namespace morvena;

namespace {

// The pack of `meshes` strips of `triangles` each, written once under TMPDIR.
class PackOnDisk {
public:
    PackOnDisk(int meshes, int triangles)
    {
        MeshPackBuilder builder;
        for (int i = 0; i < meshes; ++i)
            builder.add(test::stripMesh("FMA" + std::to_string(100000 + i), "struttura " + std::to_string(i),
                std::size_t(triangles), {0, 0, float(i % 37)}, static_cast<AnatomySystem>(i % 18)));
        builder.write(folder_ / "geometry.mrvpack", "Benchmark", "CC BY-SA");
        pack = std::make_unique<MeshPack>(folder_ / "geometry.mrvpack");
    }

private:
    test::TemporaryFolder folder_ {"morvena-bench"};

public:
    // Last, so it is closed before its folder goes.
    std::unique_ptr<MeshPack> pack;
};

// The whole pack at level 0, as the tool's export command does by default.
void exportWholePack(benchmark::State& state)
{
    PackOnDisk disk(int(state.range(0)), int(state.range(1)));
    std::vector<std::int64_t> all(disk.pack->structureCount());
    std::iota(all.begin(), all.end(), std::int64_t(0));
    const GLTFExporter::Options options {
        .lod = 0, .coloredMaterials = state.range(2) != 0, .scale = 0.001f, .centered = true};
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto result = GLTFExporter::exportGLB(*disk.pack, all, {}, options);
        bytes = result ? result->data.size() : 0;
        benchmark::DoNotOptimize(result);
    }
    state.counters["triangles"] = double(disk.pack->triangleCount());
    state.counters["glbMiB"] = double(bytes) / (1 << 20);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

// 500 elements of 2,048 triangles (1 M), plain and with materials; 2,000 (4.1 M).
BENCHMARK(exportWholePack)
    ->Args({500, 2048, 0})
    ->Args({500, 2048, 1})
    ->Args({2000, 2048, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
