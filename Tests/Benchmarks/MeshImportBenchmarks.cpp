// OBJ parsing against Assimp's OBJ importer on the same generated file, plus
// welding and decimation of a million-triangle mesh.
//
//   build/release/bin/MeshImportBenchmarks [--obj-megabytes=N]

#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Readers/OBJLoader.h"
#include "TemporaryFolder.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace morvena;

namespace {

std::size_t objMegabytes = 220;

// A wavy sheet on a square grid, written as BodyParts3D-style OBJ text:
// positions and normals with six decimals, faces as v//vn triples.
class GeneratedOBJ {
public:
    GeneratedOBJ()
    {
        // About 160 bytes of text per grid vertex.
        const auto side = static_cast<int>(std::sqrt(objMegabytes * 1e6 / 160.0));
        std::ofstream out(path_, std::ios::binary);
        std::string text;
        char line[128];
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const double z = 12.5 * std::sin(x * 0.05) * std::cos(y * 0.07);
                text.append(line,
                    std::snprintf(
                        line, sizeof line, "v %.6f %.6f %.6f\n", x * 0.731 - 400.0, y * 0.731 - 400.0, z));
            }
            out << text;
            text.clear();
        }
        for (int i = 0; i < side * side; ++i)
            text.append("vn 0.000000 0.000000 1.000000\n");
        out << text;
        text.clear();
        for (int y = 0; y + 1 < side; ++y) {
            for (int x = 0; x + 1 < side; ++x) {
                const int a = y * side + x + 1, b = a + 1, c = a + side, d = c + 1;
                text.append(
                    line, std::snprintf(line, sizeof line, "f %d//%d %d//%d %d//%d\n", a, a, b, b, d, d));
                text.append(
                    line, std::snprintf(line, sizeof line, "f %d//%d %d//%d %d//%d\n", a, a, d, d, c, c));
            }
            out << text;
            text.clear();
        }
        out.close();
        bytes_ = std::filesystem::file_size(path_);
        // Warm the page cache so both readers start alike.
        OBJLoader::load(path_);
    }
    const std::filesystem::path& path() const { return path_; }
    std::size_t bytes() const { return bytes_; }

private:
    test::TemporaryFolder folder_ {"morvena-bench"};
    std::filesystem::path path_ = folder_ / "sheet.obj";
    std::size_t bytes_ = 0;
};

const GeneratedOBJ& generatedOBJ()
{
    static const GeneratedOBJ file;
    return file;
}

void objLoader(benchmark::State& state)
{
    const auto& file = generatedOBJ();
    std::size_t triangles = 0;
    for (auto _ : state) {
        auto result = OBJLoader::load(file.path());
        triangles = result.groups.empty() ? 0 : result.groups[0].indices.size() / 3;
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes()));
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["fileMB"] = static_cast<double>(file.bytes()) / 1e6;
}

void assimpOBJImporter(benchmark::State& state)
{
    const auto& file = generatedOBJ();
    std::size_t triangles = 0;
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(file.path().string(), 0);
        if (!scene) {
            state.SkipWithError(importer.GetErrorString());
            return;
        }
        triangles = 0;
        for (unsigned m = 0; m < scene->mNumMeshes; ++m)
            triangles += scene->mMeshes[m]->mNumFaces;
        benchmark::DoNotOptimize(scene);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes()));
    state.counters["triangles"] = static_cast<double>(triangles);
}

// A million-triangle sheet as a triangle soup (three vertices per triangle, as
// STL and many OBJ exports deliver it), with a little noise below the weld
// tolerance.
struct Sheet {
    std::vector<Float3> soup;
    std::vector<std::uint32_t> soupIndices;
    MeshGeometry::WeldResult welded;

    Sheet()
    {
        constexpr int side = 708; // 2 * 707 * 707 = 999,698 triangles
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> noise(-1e-4f, 1e-4f);
        auto at = [&](int x, int y) {
            return Float3 {
                x * 0.5f + noise(rng), y * 0.5f + noise(rng), std::sin(x * 0.05f) * 4 + noise(rng)};
        };
        for (int y = 0; y + 1 < side; ++y) {
            for (int x = 0; x + 1 < side; ++x) {
                for (auto corner :
                    {at(x, y), at(x + 1, y), at(x + 1, y + 1), at(x, y), at(x + 1, y + 1), at(x, y + 1)}) {
                    soupIndices.push_back(static_cast<std::uint32_t>(soup.size()));
                    soup.push_back(corner);
                }
            }
        }
        welded = MeshGeometry::weld(soup, soupIndices, 0.01f);
    }
};

const Sheet& sheet()
{
    static const Sheet mesh;
    return mesh;
}

void weldSoup(benchmark::State& state)
{
    const auto& mesh = sheet();
    for (auto _ : state)
        benchmark::DoNotOptimize(MeshGeometry::weld(mesh.soup, mesh.soupIndices, 0.01f));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * mesh.soup.size()));
    state.counters["vertices"] = static_cast<double>(mesh.soup.size());
    state.counters["welded"] = static_cast<double>(mesh.welded.positions.size());
}

void decimate(benchmark::State& state)
{
    const auto& mesh = sheet();
    const float cellSize = 500.f / static_cast<float>(state.range(0));
    std::size_t kept = 0;
    for (auto _ : state) {
        auto indices = MeshGeometry::decimateIndexOnly(mesh.welded.positions, mesh.welded.indices, cellSize);
        kept = indices.size() / 3;
        benchmark::DoNotOptimize(indices);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * mesh.welded.indices.size() / 3));
    state.counters["keptTriangles"] = static_cast<double>(kept);
}

void levelsOfDetail(benchmark::State& state)
{
    const auto& mesh = sheet();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            MeshGeometry::buildLODs(mesh.welded.positions, mesh.welded.indices, 500.f, 1200));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * mesh.welded.indices.size() / 3));
}

void normals(benchmark::State& state)
{
    const auto& mesh = sheet();
    for (auto _ : state)
        benchmark::DoNotOptimize(MeshGeometry::computeNormals(mesh.welded.positions, mesh.welded.indices));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * mesh.welded.indices.size() / 3));
}

} // namespace

BENCHMARK(objLoader)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(assimpOBJImporter)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(weldSoup)->Unit(benchmark::kMillisecond);
BENCHMARK(decimate)->Arg(42)->Arg(14)->Unit(benchmark::kMillisecond); // the two level-of-detail cell sizes
BENCHMARK(levelsOfDetail)->Unit(benchmark::kMillisecond);
BENCHMARK(normals)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--obj-megabytes=", 16) == 0)
            objMegabytes = std::strtoul(argv[i] + 16, nullptr, 10);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
