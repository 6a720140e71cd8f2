#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Geometry/RawMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>

using namespace morvena;
using Indices = std::vector<std::uint32_t>;

namespace {

// Random positions with negative coordinates and many exact halves of the cell
// edge, where rounding and flooring decide between neighbouring cells.
std::vector<Float3> randomPoints(std::mt19937& rng, std::size_t count, float cell)
{
    std::uniform_int_distribution<int> halves(-40, 40);
    std::uniform_real_distribution<float> anywhere(-20.f, 20.f);
    std::vector<Float3> points(count);
    for (auto& p : points) {
        for (int axis = 0; axis < 3; ++axis)
            p[axis] = rng() % 2 ? halves(rng) * 0.5f * cell : anywhere(rng) * cell;
    }
    return points;
}

Indices randomTriangles(std::mt19937& rng, std::size_t vertexCount, std::size_t triangles)
{
    Indices indices(triangles * 3);
    for (auto& i : indices)
        i = static_cast<std::uint32_t>(rng() % vertexCount);
    return indices;
}

using Cell = std::array<long long, 3>;

Cell cellBy(const Float3& p, float size, double (*round)(double))
{
    const float inverse = 1.f / size;
    return {static_cast<long long>(round(p[0] * inverse)), static_cast<long long>(round(p[1] * inverse)),
        static_cast<long long>(round(p[2] * inverse))};
}

// Quadratic reference: a vertex merges into the first earlier vertex of its cell.
MeshGeometry::WeldResult referenceWeld(
    const std::vector<Float3>& points, const Indices& indices, float tolerance)
{
    MeshGeometry::WeldResult result;
    std::vector<Cell> firstCells;
    Indices remap;
    for (const auto& p : points) {
        const Cell cell = cellBy(p, tolerance, std::round);
        auto found = std::find(firstCells.begin(), firstCells.end(), cell);
        if (found == firstCells.end()) {
            remap.push_back(static_cast<std::uint32_t>(firstCells.size()));
            firstCells.push_back(cell);
            result.positions.push_back(p);
        } else {
            remap.push_back(static_cast<std::uint32_t>(found - firstCells.begin()));
        }
    }
    for (std::size_t t = 0; t + 3 <= indices.size(); t += 3) {
        std::uint32_t a = remap[indices[t]], b = remap[indices[t + 1]], c = remap[indices[t + 2]];
        if (a != b && b != c && a != c)
            result.indices.insert(result.indices.end(), {a, b, c});
    }
    return result;
}

// Quadratic reference: the representative is the earliest vertex of the cell at
// the smallest distance from the cell centre.
Indices referenceDecimate(const std::vector<Float3>& points, const Indices& indices, float size)
{
    std::vector<Cell> cells;
    for (const auto& p : points)
        cells.push_back(cellBy(p, size, std::floor));
    auto distance = [&](std::size_t i) {
        float sum = 0;
        for (int k = 0; k < 3; ++k) {
            const float centre = (static_cast<float>(cells[i][k]) + 0.5f) * size;
            sum += (points[i][k] - centre) * (points[i][k] - centre);
        }
        return sum;
    };
    Indices representative(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::size_t best = i;
        for (std::size_t j = 0; j < points.size(); ++j) {
            if (cells[j] == cells[i]
                && (distance(j) < distance(best) || (distance(j) == distance(best) && j < best)))
                best = j;
        }
        representative[i] = static_cast<std::uint32_t>(best);
    }
    Indices result;
    std::set<std::array<std::uint32_t, 3>> seen;
    for (std::size_t t = 0; t + 3 <= indices.size(); t += 3) {
        std::array<std::uint32_t, 3> tri {
            representative[indices[t]], representative[indices[t + 1]], representative[indices[t + 2]]};
        if (tri[0] == tri[1] || tri[1] == tri[2] || tri[0] == tri[2])
            continue;
        auto key = tri;
        std::sort(key.begin(), key.end());
        if (seen.insert(key).second)
            result.insert(result.end(), tri.begin(), tri.end());
    }
    return result;
}

} // namespace

TEST(Weld, matchesAQuadraticReferenceOnRandomPoints)
{
    std::mt19937 rng(7);
    for (float tolerance : {1.f, 0.25f, 3.f}) {
        auto points = randomPoints(rng, 2500, tolerance);
        auto indices = randomTriangles(rng, points.size(), 3000);
        indices.push_back(0); // a trailing incomplete triangle goes
        auto welded = MeshGeometry::weld(points, indices, tolerance);
        auto expected = referenceWeld(points, indices, tolerance);
        EXPECT_EQ(welded.positions, expected.positions) << tolerance;
        EXPECT_EQ(welded.indices, expected.indices) << tolerance;
        EXPECT_LT(welded.positions.size(), points.size());
    }
}

TEST(Weld, cellsAreCentredOnTheIntegersAndTheFirstVertexWins)
{
    std::vector<Float3> apart {{0.49f, 0, 0}, {0.51f, 0, 0}};
    EXPECT_EQ(MeshGeometry::weld(apart, {}, 1).positions.size(), 2u);
    std::vector<Float3> together {{0.6f, 0, 0}, {1.4f, 0, 0}};
    EXPECT_EQ(MeshGeometry::weld(together, {}, 1).positions, (std::vector<Float3> {{0.6f, 0, 0}}));
    std::vector<Float3> halves {{-0.5f, 0, 0}, {-1.49f, 0, 0}, {0.5f, 0, 0}, {1.49f, 0, 0}};
    EXPECT_EQ(MeshGeometry::weld(halves, {}, 1).positions.size(), 2u); // halves round away from zero
}

TEST(Weld, sharedQuadEdgeMergesAndCollapsedTrianglesLeaveTheirVertices)
{
    std::vector<Float3> quad {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    auto welded = MeshGeometry::weld(quad, Indices {0, 1, 2, 3, 4, 5}, 0.01f);
    EXPECT_EQ(welded.positions.size(), 4u);
    EXPECT_EQ(welded.indices, (Indices {0, 1, 2, 0, 2, 3}));

    std::vector<Float3> sliver {{0, 0, 0}, {0.001f, 0, 0}, {0, 0.001f, 0}, {5, 5, 5}};
    auto collapsed = MeshGeometry::weld(sliver, Indices {0, 1, 2, 0, 1, 3}, 0.1f);
    EXPECT_EQ(collapsed.positions.size(), 2u);
    EXPECT_TRUE(collapsed.indices.empty());
}

TEST(Weld, nonPositiveToleranceOrShortIndexListsPassThrough)
{
    std::vector<Float3> points {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}};
    const Indices degenerate {0, 1, 1, 0, 0, 2};
    for (float tolerance : {0.f, -1.f, std::numeric_limits<float>::quiet_NaN()}) {
        auto same = MeshGeometry::weld(points, degenerate, tolerance);
        EXPECT_EQ(same.positions, points);
        EXPECT_EQ(same.indices, degenerate);
    }
    auto noTriangles = MeshGeometry::weld(points, Indices {0, 2}, 1);
    EXPECT_EQ(noTriangles.positions.size(), 2u);
    EXPECT_TRUE(noTriangles.indices.empty());
}

TEST(Weld, hugeNonFiniteAndOutOfRangeInputStaysInBounds)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Float3> points {{nan, 0, 0}, {nan, 0, 0}, {inf, 0, 0}, {3e38f, 0, 0}, {-3e38f, 0, 0},
        {2147483520.f, 0, 0}, {0, 0, 0}, {0.1f, 0, 0}};
    auto welded = MeshGeometry::weld(points, Indices {0, 1, 2, 6, 7, 3, 5, 6, 99, 4, 5, 6}, 1);
    // Vertices without a cell keep one of their own; only the last two merge.
    EXPECT_EQ(welded.positions.size(), 7u);
    EXPECT_EQ(welded.indices, (Indices {0, 1, 2, 4, 5, 6}));
}

TEST(Normals, areAreaWeightedUnitVectorsWithUpForUnusedVertices)
{
    std::vector<Float3> points {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, 9}};
    auto normals = MeshGeometry::computeNormals(points, Indices {0, 1, 2, 0, 1, 77});
    EXPECT_EQ(normals, (std::vector<Float3> {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 1, 0}}));

    // A large triangle facing +x outweighs a small one facing +z at the shared vertex.
    std::vector<Float3> fan {{0, 0, 0}, {0, 10, 0}, {0, 0, 10}, {1, 0, 0}, {0, 1, 0}};
    auto weighted = MeshGeometry::computeNormals(fan, Indices {0, 1, 2, 0, 3, 4});
    EXPECT_NEAR(weighted[0][0], 100 / std::hypot(100.f, 1.f), 1e-6);
    EXPECT_NEAR(weighted[0][2], 1 / std::hypot(100.f, 1.f), 1e-6);

    // Opposite windings cancel.
    auto cancelled = MeshGeometry::computeNormals(points, Indices {0, 1, 2, 0, 2, 1});
    EXPECT_EQ(cancelled[0], (Float3 {0, 1, 0}));
}

TEST(Decimation, matchesAQuadraticReferenceOnRandomPoints)
{
    std::mt19937 rng(11);
    for (float cell : {1.f, 2.5f, 0.5f}) {
        auto points = randomPoints(rng, 1500, cell);
        auto indices = randomTriangles(rng, points.size(), 4000);
        EXPECT_EQ(
            MeshGeometry::decimateIndexOnly(points, indices, cell), referenceDecimate(points, indices, cell))
            << cell;
    }
}

TEST(Decimation, keepsTheFirstOfRepeatedTrianglesAndPassesSmallInputThrough)
{
    std::vector<Float3> points {
        {0.5f, 0.5f, 0.5f}, {1.5f, 0.5f, 0.5f}, {0.5f, 1.5f, 0.5f}, {7.5f, 7.5f, 7.5f}};
    EXPECT_EQ(
        MeshGeometry::decimateIndexOnly(points, Indices {0, 1, 2, 0, 2, 1, 2, 1, 0}, 1), (Indices {0, 1, 2}));

    const Indices input {0, 1, 2, 0, 2, 1};
    std::vector<Float3> three(points.begin(), points.begin() + 3);
    EXPECT_EQ(MeshGeometry::decimateIndexOnly(three, input, 1), input);
    EXPECT_EQ(MeshGeometry::decimateIndexOnly(points, input, 0), input);
    EXPECT_TRUE(MeshGeometry::decimateIndexOnly(points, Indices {0, 1}, 1).empty());
}

TEST(Decimation, theVertexNearestTheCentreRepresentsItsCell)
{
    // Vertices 0 and 3 share cell (0,0,0); 3 is nearer its centre (0.5, 0.5, 0.5).
    std::vector<Float3> points {
        {0.1f, 0.1f, 0.1f}, {1.5f, 0.5f, 0.5f}, {0.5f, 1.5f, 0.5f}, {0.4f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}};
    EXPECT_EQ(
        MeshGeometry::decimateIndexOnly(points, Indices {0, 1, 2, 4, 0, 1}, 1), (Indices {3, 1, 2, 4, 3, 1}));
}

TEST(Decimation, unrepresentablePositionsAndBadIndicesStayInBounds)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Float3> points {
        {nan, 0, 0}, {1e30f, 0, 0}, {0.5f, 0.5f, 0.5f}, {0.6f, 0.5f, 0.5f}, {3, 3, 3}};
    EXPECT_EQ(
        MeshGeometry::decimateIndexOnly(points, Indices {0, 1, 3, 2, 3, 4, 0, 1, 5}, 1), (Indices {0, 1, 2}));
}

namespace {

// `big` triangles over vertices at distinct cell centres (they survive a cell
// size of 1 unchanged) followed by `tiny` triangles that each collapse inside
// one cell far away.
struct LODFixture {
    std::vector<Float3> points;
    Indices indices;
    LODFixture(int big, int tiny)
    {
        for (int t = 0; t < big; ++t) {
            for (int corner = 0; corner < 3; ++corner) {
                indices.push_back(static_cast<std::uint32_t>(points.size()));
                points.push_back({static_cast<float>(t % 40) * 3 + corner + 0.5f,
                    static_cast<float>(t / 40) + 0.5f, 0.5f});
            }
        }
        for (int t = 0; t < tiny; ++t) {
            for (int corner = 0; corner < 3; ++corner) {
                indices.push_back(static_cast<std::uint32_t>(points.size()));
                points.push_back({static_cast<float>(t) + 0.1f * corner + 0.2f, 0.3f, 100.3f});
            }
        }
    }
};

} // namespace

TEST(LevelsOfDetail, needEnoughTrianglesAndAPositiveDiagonal)
{
    LODFixture below(599, 600), enough(600, 600);
    EXPECT_EQ(MeshGeometry::buildLODs(below.points, below.indices, 42, 1200).size(), 1u);
    EXPECT_EQ(MeshGeometry::buildLODs(enough.points, enough.indices, 0, 1200).size(), 1u);
    auto levels = MeshGeometry::buildLODs(enough.points, enough.indices, 42, 1200);
    ASSERT_GE(levels.size(), 2u);
    EXPECT_EQ(levels[0], enough.indices);
    EXPECT_EQ(levels[1], Indices(enough.indices.begin(), enough.indices.begin() + 1800));
}

TEST(LevelsOfDetail, aLevelKeepingSeventyPercentIsRejected)
{
    // Diagonal 42 gives a first cell size of 1: the big triangles survive, the tiny ones collapse.
    LODFixture exactly(700, 300), fewer(699, 301);
    auto rejected = MeshGeometry::buildLODs(exactly.points, exactly.indices, 42, 1000);
    EXPECT_EQ(rejected.size(), 1u); // 2,100 of 3,000 indices is not below 70 %

    auto kept = MeshGeometry::buildLODs(fewer.points, fewer.indices, 42, 1000);
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept[1].size(), 2097u);
    EXPECT_EQ(kept[1], Indices(fewer.indices.begin(), fewer.indices.begin() + 2097));
    for (const auto& level : kept) {
        for (auto index : level)
            EXPECT_LT(index, fewer.points.size());
    }
}

TEST(LevelsOfDetail, theCoarsestLevelDecimatesTheMiddleOne)
{
    std::mt19937 rng(3);
    std::vector<Float3> points = randomPoints(rng, 20000, 0.05f);
    Indices indices = randomTriangles(rng, points.size(), 6000);
    auto levels = MeshGeometry::buildLODs(points, indices, 40, 1200);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[1], MeshGeometry::decimateIndexOnly(points, indices, 40.f / 42));
    EXPECT_EQ(levels[2], MeshGeometry::decimateIndexOnly(points, levels[1], 40.f / 14));
}

namespace {

// A side x side grid of vertices spanning 35 x 35 units, two triangles per
// square, its height rippling between 0 and 2.5 units.
void wavyGrid(int side, std::vector<Float3>& points, Indices& indices)
{
    const float spacing = 35.f / static_cast<float>(side - 1);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            points.push_back({static_cast<float>(x) * spacing, static_cast<float>(y) * spacing,
                static_cast<float>((x * 7 + y * 3) % 11) * 0.25f});
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const auto corner = static_cast<std::uint32_t>(y * side + x), up = corner + std::uint32_t(side);
            indices.insert(indices.end(), {corner, corner + 1, up, corner + 1, up + 1, up});
        }
    }
}

float diagonalOf(const std::vector<Float3>& points)
{
    const auto box = RawMesh::bounds(points);
    const float dx = box.max[0] - box.min[0], dy = box.max[1] - box.min[1], dz = box.max[2] - box.min[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

TEST(LevelsOfDetail, aGridAsCoarseAsTheFirstCellKeepsItsOneLevel)
{
    // Cells of diagonal / 42 are barely wider than this grid's squares, and the
    // ripple splits them in height: about 90 % of the triangles would survive,
    // which is not worth a level.
    std::vector<Float3> coarsePoints;
    Indices coarse;
    wavyGrid(36, coarsePoints, coarse);
    ASSERT_EQ(coarse.size() / 3, 2450u);
    const auto decimated
        = MeshGeometry::decimateIndexOnly(coarsePoints, coarse, diagonalOf(coarsePoints) / 42);
    EXPECT_GE(decimated.size(), coarse.size() * 7 / 10);
    EXPECT_EQ(MeshGeometry::buildLODs(coarsePoints, coarse, diagonalOf(coarsePoints), 1200).size(), 1u);

    // The same surface three times as finely divided does gain coarser levels.
    std::vector<Float3> finePoints;
    Indices fine;
    wavyGrid(106, finePoints, fine);
    auto levels = MeshGeometry::buildLODs(finePoints, fine, diagonalOf(finePoints), 1200);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_LT(levels[1].size(), fine.size() * 7 / 10);
    EXPECT_LT(levels[2].size(), levels[1].size() * 7 / 10);
}

TEST(InvalidTriangles, outOfRangeAndNonFiniteCornersAreDroppedInOrder)
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<Float3> points {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, inf, 0}};
    Indices indices {0, 1, 2, 0, 1, 3, 2, 1, 4, 2, 1, 0, 0xFFFFFFFFu, 0, 1, 1};
    EXPECT_EQ(MeshGeometry::dropInvalidTriangles(points, indices), 3u);
    EXPECT_EQ(indices, (Indices {0, 1, 2, 2, 1, 0}));
}
