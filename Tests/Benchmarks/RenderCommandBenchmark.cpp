// The tool's render and verify commands, run in-process over a generated dataset of
// 2,000 structures (about two million triangles at full detail).
//
//   RenderCommandBenchmark                  Google Benchmark runs
//   RenderCommandBenchmark --generate DIR   only writes the dataset "generato" below
//                                           DIR (used as XDG_DATA_HOME), for timing
//                                           the installed program from a shell
#include "TemporaryFolder.h"
#include "TestDataset.h"
#include "mrvtool/Tool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <unistd.h>

using namespace morvena;

namespace {

constexpr int structureCount = 2000;

// Structures spread over a body-sized box, every system represented, skeleton and
// muscles the most numerous as in anatomical datasets.
test::TestDataset generatedDataset()
{
    test::TestDataset dataset("generato", "Dataset generato");
    std::mt19937 random(7);
    std::uniform_real_distribution<float> x(-200, 200), y(-850, 850), z(-120, 120), size(6, 40);
    for (int i = 0; i < structureCount; ++i) {
        auto system = i % 3 == 0 ? AnatomySystem::skeletal
            : i % 3 == 1         ? AnatomySystem::muscular
                                 : static_cast<AnatomySystem>(i % anatomySystemCount);
        Float3 center {x(random), y(random), z(random)};
        Float3 radii {size(random), size(random), size(random)};
        dataset.add("G" + std::to_string(i), "structure " + std::to_string(i), system,
            test::ellipsoidMesh(center, radii, 32, 3));
    }
    return dataset;
}

std::optional<test::TemporaryFolder> generatedHome;

std::filesystem::path preparedDataHome()
{
    if (!generatedHome) {
        const auto& folder = generatedHome.emplace("morvena-render-bench");
        generatedDataset().install(folder.path());
        setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    }
    return generatedHome->path();
}

void runQuietly(benchmark::State& state, const std::vector<std::string>& words)
{
    // The commands print a line or two; keep them out of the benchmark table.
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    std::FILE* sink = std::freopen("/dev/null", "w", stdout);
    for (auto _ : state) {
        if (tool::run(words) != 0)
            state.SkipWithError("the command failed");
    }
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    (void)sink;
}

void RenderCommand(benchmark::State& state)
{
    auto home = preparedDataHome();
    runQuietly(state,
        {"render", "--id", "generato", "--systems", "tutti", "--width", "1600", "--height", "1000", "--out",
            (home / "render.png").string()});
}
BENCHMARK(RenderCommand)->Unit(benchmark::kMillisecond)->MinTime(3);

void VerifyCommand(benchmark::State& state)
{
    preparedDataHome();
    runQuietly(state, {"verify", "--id", "generato"});
}
BENCHMARK(VerifyCommand)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--generate") == 0) {
        std::filesystem::path home = argv[2];
        std::printf("%s\n", generatedDataset().install(home).c_str());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
