// Plans one frame (and one pick) over a generated pack of a few thousand small
// structures spread over a body-sized box, as the renderer does every frame.
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyRender/AnatomyScene.h"
#include "TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

using namespace morvena;

namespace {

MeshPackBuilder::Mesh generatedMesh(std::size_t index, std::mt19937& random)
{
    std::uniform_real_distribution<float> x(-200, 200), y(-850, 850), z(-150, 150), size(2, 40);
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = "G" + std::to_string(index);
    mesh.name = "struttura " + std::to_string(index);
    mesh.system = static_cast<AnatomySystem>(index % anatomySystemCount);
    Float3 center {x(random), y(random), z(random)};
    float h = size(random);
    for (int corner = 0; corner < 8; ++corner)
        mesh.positions.push_back(
            center + Float3 {corner & 4 ? h : -h, corner & 2 ? h : -h, corner & 1 ? h : -h});
    const std::vector<std::uint32_t> cube {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1, 2, 3, 7, 2,
        7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
    mesh.lodIndices = {cube, {cube.begin(), cube.begin() + 24}, {cube.begin(), cube.begin() + 12}};
    return mesh;
}

// One pack per structure count, written once into a temporary folder.
std::shared_ptr<const MeshPack> generatedPack(std::size_t structures)
{
    static std::map<std::size_t, std::shared_ptr<const MeshPack>> packs;
    if (auto found = packs.find(structures); found != packs.end())
        return found->second;
    const test::TemporaryFolder folder {"morvena-bench"};
    std::mt19937 random(7);
    MeshPackBuilder builder;
    for (std::size_t i = 0; i < structures; ++i)
        builder.add(generatedMesh(i, random));
    builder.sortForLocality();
    auto url = folder / ("generated-" + std::to_string(structures) + ".mrvpack");
    builder.write(url, "Benchmark", "");
    // The mapping outlives the folder.
    return packs[structures] = std::make_shared<const MeshPack>(url);
}

OrbitCamera bodyCamera(const MeshPack& pack)
{
    OrbitCamera camera;
    camera.sceneRadius = std::max(1.f, pack.radius());
    camera.yaw = -0.34906584f;
    camera.pitch = 0.10471976f;
    camera.frame(pack.boundsMin(), pack.boundsMax(), 16.f / 9, 1.04f);
    return camera;
}

// Every system visible, so most structures are drawn; with `fade`, the muscles
// are transparent and go through the back-to-front sort.
void buildFrame(benchmark::State& state, bool fade)
{
    auto pack = generatedPack(static_cast<std::size_t>(state.range(0)));
    std::set<AnatomySystem> all(allAnatomySystems().begin(), allAnatomySystems().end());
    AnatomyScene scene(pack, all);
    if (fade)
        scene.systemOpacity[AnatomySystem::muscular] = 0.4f;
    scene.selected.insert(3);
    std::vector<StructureProps> props(pack->structureCount());
    OrbitCamera camera = bodyCamera(*pack);
    AnatomyScene::DrawPlan plan;
    for (auto _ : state) {
        scene.buildFrame(camera, {1920, 1080}, props, plan);
        benchmark::DoNotOptimize(plan.opaque.data());
        benchmark::ClobberMemory();
    }
    state.counters["opaque"] = double(plan.opaque.size());
    state.counters["transparent"] = double(plan.transparent.size());
    state.counters["culled"] = double(plan.culled);
}

void BM_buildFrame(benchmark::State& state)
{
    buildFrame(state, false);
}
void BM_buildFrameWithFadedSystem(benchmark::State& state)
{
    buildFrame(state, true);
}

void BM_buildPickFrame(benchmark::State& state)
{
    auto pack = generatedPack(static_cast<std::size_t>(state.range(0)));
    AnatomyScene scene(pack, {AnatomySystem::skeletal, AnatomySystem::muscular});
    std::vector<StructureProps> props(pack->structureCount());
    OrbitCamera camera = bodyCamera(*pack);
    for (auto _ : state) {
        auto plan = scene.buildPickFrame(camera, {1920, 1080}, {960, 540}, 9, props);
        benchmark::DoNotOptimize(plan.opaque.data());
    }
}

} // namespace

BENCHMARK(BM_buildFrame)->Arg(2000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_buildFrameWithFadedSystem)->Arg(2000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_buildPickFrame)->Arg(2000)->Arg(5000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
