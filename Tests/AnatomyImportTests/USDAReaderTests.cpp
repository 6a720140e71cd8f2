#include "AnatomyImport/Readers/USDAReader.h"

#include <gtest/gtest.h>

using namespace morvena;
using Indices = std::vector<std::uint32_t>;

namespace {

std::vector<RawMesh> readText(const std::string& text)
{
    return USDAReader::read({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool rejected(const std::string& text)
{
    try {
        readText(text);
        return false;
    } catch (const USDAReader::Error&) {
        return true;
    }
}

// A layer the way USD tools write one: layer metadata, an Xform with a
// transform, a Mesh with a quad and a triangle, comments and metadata blocks.
const std::string legLayer = R"(#usda 1.0
(
    defaultPrim = "Leg"
    metersPerUnit = 0.01
    upAxis = "Z"
    doc = """A leg,
spanning lines"""
)

def Xform "Leg" (
    kind = "component"
    prepend references = @./other.usda@</Other>
)
{
    double3 xformOp:translate = (10, 20, 30)
    uniform token[] xformOpOrder = ["xformOp:translate"]
    rel material:binding = </Looks/Bone>
    custom Float3 offset.timeSamples = {
        0: (1, 2, 3),
        24: (4, 5, 6),
    }

    def Mesh "Femur" # the thigh bone
    {
        Float3[] extent = [(0, 0, 0), (2, 1, 0)]
        int[] faceVertexCounts = [4, 3]
        int[] faceVertexIndices = [0, 1, 2, 3, 1, 4, 2,]
        normal3f[] normals = [(0, 0, 1), (0, 0, 1), (0, 0, 1), (0, 0, 1), (0, 0, 1)] (
            interpolation = "vertex"
        )
        point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (2, 0.5, -1e-1)]
        uniform token subdivisionScheme = "none"
        Float3[] velocities

        def GeomSubset "cortex"
        {
            int[] indices = [0]
        }
    }

    def Mesh "Patella"
    {
        int[] faceVertexCounts = [3]
        int[] faceVertexIndices = [0, 1, 2]
        point3f[] points = [(0, 0, 0), (0, 1, 0), (1, 0, 0)]
        normal3f[] normals = [(0, 0, 1), (0, 0, 1), (0, 0, 1)] (
            interpolation = "faceVarying"
        )
    }
}
)";

} // namespace

TEST(USDAReader, readsMeshPrimsWithFansNamesAndUntransformedPoints)
{
    auto meshes = readText(legLayer);
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0].name, "Femur");
    EXPECT_EQ(meshes[0].positions,
        (std::vector<Float3> {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0.5f, -0.1f}}));
    EXPECT_EQ(meshes[0].indices, (Indices {0, 1, 2, 0, 2, 3, 1, 4, 2}));
    EXPECT_EQ(meshes[0].normals, std::vector<Float3>(5, Float3 {0, 0, 1}));

    // Face-varying normals are not per point: generated from the triangle instead.
    EXPECT_EQ(meshes[1].name, "Patella");
    EXPECT_EQ(meshes[1].normals, std::vector<Float3>(3, Float3 {0, 0, -1}));
}

TEST(USDAReader, onlyDefinedMeshesCountAndParentsComeBeforeChildren)
{
    auto meshes = readText(R"(#usda 1.0
class Mesh "Template" { point3f[] points = [(0,0,0),(1,0,0),(0,1,0)] int[] faceVertexCounts = [3] int[] faceVertexIndices = [0,1,2] }
over "Elsewhere" { def Mesh "Inside" { point3f[] points = [(0,0,0),(1,0,0),(0,1,0)] int[] faceVertexCounts = [3] int[] faceVertexIndices = [0,1,2] } }
def Mesh "Outer"
{
    point3f[] points = [(0,0,0),(1,0,0),(0,1,0)]
    int[] faceVertexCounts = [3]
    int[] faceVertexIndices = [0,1,2]
    def Mesh "Nested" { point3f[] points = [(0,0,0),(1,0,0),(0,1,0)] int[] faceVertexCounts = [3] int[] faceVertexIndices = [2,1,0] }
}
def Mesh "NoFaces" { point3f[] points = [(0,0,0)] }
def Scope "Group" { def Mesh "" { point3f[] points = [(0,0,0),(1,0,0),(0,1,0)] int[] faceVertexCounts = [3] int[] faceVertexIndices = [0,1,2] } }
)");
    ASSERT_EQ(meshes.size(), 3u);
    EXPECT_EQ(meshes[0].name, "Outer");
    EXPECT_EQ(meshes[1].name, "Nested");
    EXPECT_EQ(meshes[1].indices, (Indices {2, 1, 0}));
    EXPECT_EQ(meshes[2].name, "Group"); // an unnamed prim takes its parent's name
}

TEST(USDAReader, badIndicesDropTheirTrianglesAndShortIndexListsStopTheFaces)
{
    auto meshes = readText(R"(#usda 1.0
def Mesh "M"
{
    point3f[] points = [(0,0,0),(1,0,0),(0,1,0),(1,1,inf)]
    int[] faceVertexCounts = [3, 3, 3, 3, -1, 3, 5]
    int[] faceVertexIndices = [0,1,2, 0,1,7, 0,-1,2, 2,1,3, 2,1,0, 0,1]
}
)");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].indices, (Indices {0, 1, 2}));
}

TEST(USDAReader, rejectsOtherVersionsTruncationAndTrailingGarbage)
{
    EXPECT_TRUE(rejected(""));
    EXPECT_TRUE(rejected("PXR-USDC"));
    EXPECT_TRUE(rejected("#usda 2.0\n"));
    EXPECT_TRUE(rejected("#usda one\n"));
    EXPECT_FALSE(rejected("#usda 1.0\n"));
    EXPECT_TRUE(rejected(legLayer + "def"));
    EXPECT_TRUE(rejected(legLayer + "garbage"));
    EXPECT_TRUE(rejected(legLayer + "}"));
    EXPECT_TRUE(rejected("#usda 1.0\ndef Mesh \"M\" { point3f[] points = [(0,0)] }"));
    EXPECT_TRUE(rejected("#usda 1.0\ndef Mesh \"M\" { int[] faceVertexCounts = [3 3] }"));
    EXPECT_TRUE(rejected("#usda 1.0\ndef Mesh \"M\" { float a = ( ] }"));

    std::string deep = "#usda 1.0\n";
    for (int i = 0; i < 5000; ++i)
        deep += "def \"a\" {";
    EXPECT_TRUE(rejected(deep));

    // Every truncated prefix either fails or reads meshes whose indices are in range.
    for (std::size_t length = 0; length < legLayer.size(); ++length) {
        try {
            for (const auto& mesh : readText(legLayer.substr(0, length))) {
                for (auto index : mesh.indices)
                    ASSERT_LT(index, mesh.positions.size());
            }
        } catch (const USDAReader::Error&) {
        }
    }
}
