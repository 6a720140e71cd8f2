// Reading one large Alembic archive (a grid of quads, about a million triangles,
// written by the tests' Ogawa writer) against reading the same mesh from a
// binary USD layer, as the baseline.
//
//   build/release/bin/AlembicReaderBenchmark

#include "AnatomyImport/Readers/AlembicReader.h"
#include "AnatomyImport/Readers/USDCReader.h"

#include "CrateWriter.h"
#include "OgawaWriter.h"

#include <benchmark/benchmark.h>

using namespace morvena;

namespace {

constexpr std::int32_t side = 708; // quads along each edge: 2 * 708^2 ≈ 1.0 million triangles

struct Grid {
    std::vector<Float3> points;
    std::vector<std::int32_t> counts;
    std::vector<std::int32_t> corners;
};

Grid grid()
{
    Grid g;
    for (std::int32_t y = 0; y <= side; ++y) {
        for (std::int32_t x = 0; x <= side; ++x)
            g.points.push_back({static_cast<float>(x), static_cast<float>(y), 0.f});
    }
    for (std::int32_t y = 0; y < side; ++y) {
        for (std::int32_t x = 0; x < side; ++x) {
            const std::int32_t corner = y * (side + 1) + x;
            g.counts.push_back(4);
            g.corners.insert(g.corners.end(), {corner, corner + side + 1, corner + side + 2, corner + 1});
        }
    }
    return g;
}

std::vector<std::uint8_t> alembic(const Grid& g)
{
    using Writer = test::OgawaWriter;
    const auto array = [](const char* name, Writer::Pod pod, int extent, std::string values) {
        return Writer::Property {name, Writer::array, pod, extent, "", {std::move(values)}, {}};
    };
    const Writer::Object mesh {"griglia", "schema=AbcGeom_PolyMesh_v1",
        {{".geom", Writer::compound, Writer::float32, 0, "schema=AbcGeom_PolyMesh_v1", {},
            {array("P", Writer::float32, 3, Writer::floats(g.points)),
                array(".faceIndices", Writer::int32, 1, Writer::ints(g.corners)),
                array(".faceCounts", Writer::int32, 1, Writer::ints(g.counts))}}},
        {}};
    const std::string bytes = Writer().archive({mesh});
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> crate(const Grid& g)
{
    test::CrateWriter writer;
    const auto prim = writer.prim(0, "griglia", "Mesh");
    writer.attribute(prim, "points", writer.vectors(g.points));
    writer.attribute(prim, "faceVertexCounts", writer.ints(g.counts));
    writer.attribute(prim, "faceVertexIndices", writer.ints(g.corners));
    return writer.bytes();
}

void read(benchmark::State& state, const std::vector<std::uint8_t>& bytes,
    std::vector<RawMesh> (*reader)(std::span<const std::uint8_t>))
{
    for (auto _ : state)
        benchmark::DoNotOptimize(reader(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["triangles"] = static_cast<double>(reader(bytes).front().triangleCount());
}

void alembicArchive(benchmark::State& state)
{
    read(state, alembic(grid()), AlembicReader::read);
}

void binaryUSDLayer(benchmark::State& state)
{
    read(state, crate(grid()), USDCReader::read);
}

} // namespace

BENCHMARK(alembicArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(binaryUSDLayer)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
