// Draws a generated pack of 2,000 structures of 1,000 triangles each (2 million
// triangles, one level of detail, so every drawn structure costs its full mesh) through
// the renderer's own timing run, offscreen on whatever GL the EGL context finds.
// Counters: the renderer's median, 95th percentile and CPU median per frame, and the
// share of a frame spent planning it on the CPU (buildFrame and the uniform records).
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>

using namespace morvena;

namespace {

constexpr int rings = 20;
constexpr int segments = 25; // 2 × 20 × 25 = 1,000 triangles

MeshPackBuilder::Mesh blob(std::size_t index, std::mt19937& random)
{
    std::uniform_real_distribution<float> x(-200, 200), y(-850, 850), z(-150, 150), size(15, 45),
        squash(0.4f, 1);
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = "G" + std::to_string(index);
    mesh.name = "struttura " + std::to_string(index);
    mesh.system = static_cast<AnatomySystem>(index % anatomySystemCount);
    Float3 center {x(random), y(random), z(random)};
    Float3 radii {size(random), size(random), size(random) * squash(random)};
    for (int ring = 0; ring <= rings; ++ring) {
        float theta = 3.14159265f * static_cast<float>(ring) / rings;
        for (int segment = 0; segment <= segments; ++segment) {
            float phi = 6.2831853f * static_cast<float>(segment) / segments;
            Float3 unit {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            mesh.positions.push_back(center + Float3 {unit.x * radii.x, unit.y * radii.y, unit.z * radii.z});
            mesh.normals.push_back(normalize(Float3 {unit.x / radii.x, unit.y / radii.y, unit.z / radii.z}));
        }
    }
    auto& indices = mesh.lodIndices.emplace_back();
    for (std::uint32_t ring = 0; ring < rings; ++ring) {
        for (std::uint32_t segment = 0; segment < segments; ++segment) {
            std::uint32_t a = ring * (segments + 1) + segment;
            std::uint32_t b = a + segments + 1;
            indices.insert(indices.end(), {a, b, a + 1, a + 1, b, b + 1});
        }
    }
    return mesh;
}

std::shared_ptr<const MeshPack> generatedPack(std::size_t structures)
{
    const test::TemporaryFolder folder {"morvena-render-bench"};
    std::mt19937 random(11);
    MeshPackBuilder builder;
    for (std::size_t i = 0; i < structures; ++i)
        builder.add(blob(i, random));
    builder.sortForLocality();
    auto url = folder / "generated.mrvpack";
    builder.write(url, "Benchmark", "");
    return std::make_shared<const MeshPack>(url); // the mapping outlives the folder
}

struct Setup {
    OffscreenGLContext context;
    std::shared_ptr<const MeshPack> pack = generatedPack(2000);
    std::shared_ptr<AnatomyScene> scene = std::make_shared<AnatomyScene>(
        pack, std::set<AnatomySystem>(allAnatomySystems().begin(), allAnatomySystems().end()));
    AnatomyRenderer renderer {pack, scene};
};

Setup& setup()
{
    static Setup shared;
    return shared;
}

void BM_rendererFrame(benchmark::State& state)
{
    auto& s = setup();
    int width = static_cast<int>(state.range(0));
    int height = static_cast<int>(state.range(1));
    auto quality = static_cast<RenderQuality>(state.range(2));
    s.renderer.setQuality(quality);
    AnatomyRenderer::BenchmarkResult result;
    for (auto _ : state) {
        s.renderer.frameAll(static_cast<float>(width) / static_cast<float>(height), false);
        result = s.renderer.benchmark(width, height, 30);
    }
    state.SetLabel(s.context.rendererName() + ", " + std::string(italianName(quality)));
    state.counters["medianMS"] = result.medianMS;
    state.counters["p95MS"] = result.p95MS;
    state.counters["cpuMedianMS"] = result.cpuMedianMS;
    state.counters["fps"]
        = result.medianMS + result.cpuMedianMS > 0 ? 1000 / (result.medianMS + result.cpuMedianMS) : 0;
    state.counters["planShare"] = result.cpuMedianMS / std::max(result.medianMS + result.cpuMedianMS, 1e-9);
    state.counters["triangles"] = static_cast<double>(result.triangles);
    state.counters["structures"] = static_cast<double>(result.structures);
    state.counters["drawCalls"] = static_cast<double>(result.drawCalls);
}

void BM_rendererPick(benchmark::State& state)
{
    auto& s = setup();
    s.renderer.frameAll(1.6f, false);
    AnatomyRenderer::PickBenchmark result;
    for (auto _ : state)
        result = s.renderer.benchmarkPick({640, 400}, {1280, 800}, 50);
    state.counters["medianMS"] = result.medianMS;
    state.counters["structures"] = static_cast<double>(result.structures);
    state.counters["triangles"] = static_cast<double>(result.triangles);
}

} // namespace

BENCHMARK(BM_rendererFrame)
    ->Args({1280, 800, static_cast<int>(RenderQuality::standard)})
    ->Args({1280, 800, static_cast<int>(RenderQuality::prestazioni)})
    ->Args({3024, 1890, static_cast<int>(RenderQuality::standard)})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_rendererPick)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
