#include "AnatomyImport/Geometry/RawMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace morvena;

TEST(RawMesh, emptinessAndTriangleCountIgnoreATrailingPartialTriangle)
{
    RawMesh mesh {"a", {{0, 0, 0}, {1, 0, 0}}, {}, {0, 1}};
    EXPECT_TRUE(mesh.isEmpty());
    EXPECT_EQ(mesh.triangleCount(), 0u);
    mesh.indices = {0, 1, 1, 0, 1};
    EXPECT_FALSE(mesh.isEmpty());
    EXPECT_EQ(mesh.triangleCount(), 1u);
    mesh.positions.clear();
    EXPECT_TRUE(mesh.isEmpty());
}

TEST(RawMesh, boundsAreInvertedWithoutPositionsAndIgnoreNaN)
{
    const float big = 3.4028235e38f;
    EXPECT_EQ(RawMesh {}.bounds(), (RawMesh::Bounds {{big, big, big}, {-big, -big, -big}}));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    RawMesh mesh {"", {{nan, 2, -1}, {1, nan, 3}, {-4, 0, nan}}, {}, {}};
    EXPECT_EQ(mesh.bounds(), (RawMesh::Bounds {{-4, 0, -1}, {1, 2, 3}}));
}

TEST(RawMesh, transformScalesThenOffsetsAndIdentityKeepsEveryBit)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    RawMesh mesh {"", {{1, 1, 1}, {-0.f, nan, 5}}, {{0, 1, 0}}, {0, 1, 0}};
    RawMesh untouched = mesh;
    mesh.transform(1, {0, 0, 0});
    EXPECT_TRUE(std::signbit(mesh.positions[1][0])); // -0 * 1 + 0 would have lost the sign
    EXPECT_TRUE(std::isnan(mesh.positions[1][1]));

    mesh.transform(2, {1, 0, 0});
    EXPECT_EQ(mesh.positions[0], (Float3 {3, 2, 2}));
    EXPECT_EQ(mesh.normals, untouched.normals);
    EXPECT_EQ(mesh.indices, untouched.indices);
}

TEST(RawMesh, appendOffsetsIndicesAndKeepsNormalsAsTheyAre)
{
    RawMesh mesh {"first", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {}, {0, 1, 2, 1, 3, 2}};
    RawMesh other {"second", {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}}, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}, {0, 1, 2}};
    mesh.append(other);
    EXPECT_EQ(mesh.name, "first");
    EXPECT_EQ(mesh.positions.size(), 7u);
    EXPECT_EQ(mesh.normals.size(), 3u); // not aligned with the positions: consumers check
    EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t> {0, 1, 2, 1, 3, 2, 4, 5, 6}));
}
