// Reading the largest binary sample layer (Tests/Data/USD/RoughnessTest.usdc)
// against reading the same meshes written as a text layer, as the baseline.
//
//   build/release/bin/USDLayerBenchmark

#include "AnatomyImport/Readers/USDAReader.h"
#include "AnatomyImport/Readers/USDCReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace morvena;

namespace {

std::vector<std::uint8_t> binaryLayer()
{
    const std::filesystem::path file
        = std::filesystem::path(MORVENA_SOURCE_DIR) / "Tests" / "Data" / "USD" / "RoughnessTest.usdc";
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The meshes as triangles with per-point normals, printed with nine significant
// digits so the text holds the same floats.
std::string textLayer(const std::vector<RawMesh>& meshes)
{
    std::string text = "#usda 1.0\n";
    char number[64];
    const auto vectors = [&](const char* declaration, const std::vector<Float3>& values) {
        text += declaration;
        for (const auto& v : values) {
            std::snprintf(number, sizeof number, "(%.9g, %.9g, %.9g), ", v[0], v[1], v[2]);
            text += number;
        }
        text += "]\n";
    };
    for (const RawMesh& mesh : meshes) {
        text += "def Mesh \"" + mesh.name + "\"\n{\n";
        vectors("    point3f[] points = [", mesh.positions);
        vectors("    normal3f[] normals = [", mesh.normals);
        text += "    int[] faceVertexCounts = [";
        for (std::size_t t = 0; t < mesh.triangleCount(); ++t)
            text += "3, ";
        text += "]\n    int[] faceVertexIndices = [";
        for (std::uint32_t index : mesh.indices)
            text += std::to_string(index) + ", ";
        text += "]\n}\n";
    }
    return text;
}

void binaryUSDC(benchmark::State& state)
{
    const auto bytes = binaryLayer();
    for (auto _ : state)
        benchmark::DoNotOptimize(USDCReader::read(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void textUSDA(benchmark::State& state)
{
    const std::string text = textLayer(USDCReader::read(binaryLayer()));
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(USDAReader::read(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

} // namespace

BENCHMARK(binaryUSDC)->Unit(benchmark::kMicrosecond);
BENCHMARK(textUSDA)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
