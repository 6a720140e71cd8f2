#include "AnatomyImport/Readers/ModelIOLoader.h"

#include "StoredZipWriter.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace morvena;
using Indices = std::vector<std::uint32_t>;

namespace {

const std::string femurInLeg = R"(#usda 1.0
(
    upAxis = "Y"
)
def Xform "Leg"
{
    double3 xformOp:translate = (100, 0, 0)
    float xformOp:rotateZ = 90
    uniform token[] xformOpOrder = ["xformOp:translate", "xformOp:rotateZ"]
    def Mesh "Femur"
    {
        int[] faceVertexCounts = [4]
        int[] faceVertexIndices = [0, 1, 2, 3]
        point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
    }
}
)";

// A text PLY of one face through all the corners, in order.
std::string asciiPolygonPLY(const std::vector<Float3>& corners)
{
    std::ostringstream out;
    out << "ply\nformat ascii 1.0\nelement vertex " << corners.size()
        << "\nproperty float x\nproperty float y\nproperty float z\nelement face 1\n"
           "property list uchar int vertex_indices\nend_header\n";
    for (const Float3& corner : corners)
        out << corner.x << ' ' << corner.y << ' ' << corner.z << '\n';
    out << corners.size();
    for (std::size_t i = 0; i < corners.size(); ++i)
        out << ' ' << i;
    out << '\n';
    return out.str();
}

std::string binarySTL(const std::vector<std::array<Float3, 4>>& facets) // normal, then three corners
{
    std::string out(80, '\0');
    test::appendLE(out, static_cast<std::uint32_t>(facets.size()), 4);
    for (const auto& facet : facets) {
        for (const auto& v : facet) {
            std::string bytes(12, '\0');
            std::memcpy(bytes.data(), &v, sizeof v);
            out += bytes;
        }
        out += std::string(2, '\0');
    }
    return out;
}

} // namespace

TEST(ModelIOLoader, supportsSevenExtensions)
{
    EXPECT_EQ(ModelIOLoader::supportedExtensions(),
        (std::set<std::string> {"usd", "usda", "usdc", "usdz", "stl", "ply", "abc"}));
}

TEST(ModelIOLoader, readsASCIIAndBinarySTLWithTheNameRule)
{
    test::TemporaryFolder folder;
    test::writeFile(folder / "bones.stl", R"(solid Femur
facet normal 0 0 1
 outer loop
  vertex 0 0 0
  vertex 1 0 0
  vertex 0 1 0
 endloop
endfacet
endsolid Femur
solid Tibia
facet normal 0 0 1
 outer loop
  vertex 0 0 5
  vertex 1 0 5
  vertex 0 1 5
 endloop
endfacet
endsolid Tibia
)");
    auto ascii = ModelIOLoader::load(folder / "bones.stl");
    ASSERT_EQ(ascii.size(), 2u);
    EXPECT_EQ(ascii[0].name, "Femur");
    EXPECT_EQ(ascii[1].name, "Tibia");
    EXPECT_EQ(ascii[1].positions[0], (Float3 {0, 0, 5}));
    EXPECT_EQ(ascii[1].indices, (Indices {0, 1, 2}));

    test::writeFile(folder / "UNNAMED.STL", binarySTL({{{{0, 0, 1}, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}}}}));
    auto binary = ModelIOLoader::load(folder / "UNNAMED.STL");
    ASSERT_EQ(binary.size(), 1u);
    EXPECT_EQ(binary[0].name, ""); // no placeholder names of the reader
    EXPECT_EQ(binary[0].positions, (std::vector<Float3> {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}));
    EXPECT_EQ(binary[0].normals, std::vector<Float3>(3, Float3 {0, 0, 1}));
}

TEST(ModelIOLoader, readsAPLYQuadAndGeneratesItsNormals)
{
    test::TemporaryFolder folder;
    test::writeFile(folder / "quad.ply", asciiPolygonPLY({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    auto meshes = ModelIOLoader::load(folder / "quad.ply");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].name, ""); // the file names nothing: the importer numbers it
    EXPECT_EQ(meshes[0].positions.size(), 4u);
    EXPECT_EQ(meshes[0].indices.size(), 6u);
    EXPECT_EQ(meshes[0].normals, std::vector<Float3>(4, Float3 {0, 0, 1}));
}

TEST(ModelIOLoader, readsUSDATextAndUSDZPackagesWhoseRootLayerIsText)
{
    test::TemporaryFolder folder;
    test::writeFile(folder / "leg.usda", femurInLeg);
    test::writeFile(folder / "leg.usd", femurInLeg);
    test::writeFile(folder / "leg.usdz", test::storedZip({{"leg.usda", femurInLeg}, {"bone.png", "png"}}));
    test::writeFile(folder / "LEG2.USDZ", test::storedZip({{"root.usd", femurInLeg}}));
    for (const char* name : {"leg.usda", "leg.usd", "leg.usdz", "LEG2.USDZ"}) {
        auto meshes = ModelIOLoader::load(folder / name);
        ASSERT_EQ(meshes.size(), 1u) << name;
        EXPECT_EQ(meshes[0].name, "Femur");
        EXPECT_EQ(meshes[0].positions[2], (Float3 {1, 1, 0})); // the Xform's transform is not applied
        EXPECT_EQ(meshes[0].indices, (Indices {0, 1, 2, 0, 2, 3}));
        EXPECT_EQ(meshes[0].normals, std::vector<Float3>(4, Float3 {0, 0, 1}));
    }
}

TEST(ModelIOLoader, aFaceWithoutCornersGivesNoTriangle)
{
    // Assimp's own triangulation aborts the whole process on this file.
    test::TemporaryFolder folder;
    std::string ply = "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
                      "property float y\nproperty float z\nelement face 1\n"
                      "property list uchar uint vertex_indices\nend_header\n";
    const std::vector<float> corners {0, -1.7e38f, 0, 0, 1, 0, 0, 0, 1};
    ply.append(reinterpret_cast<const char*>(corners.data()), corners.size() * sizeof(float));
    ply += std::string(1, '\0') + "\3\0\0\0";
    test::writeFile(folder / "empty-face.ply", ply);
    EXPECT_TRUE(ModelIOLoader::load(folder / "empty-face.ply").empty());
}

TEST(ModelIOLoader, polygonsBecomeFansAroundTheirFirstCorner)
{
    test::TemporaryFolder folder;
    test::writeFile(
        folder / "pentagon.ply", asciiPolygonPLY({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 1, 0}}));
    auto meshes = ModelIOLoader::load(folder / "pentagon.ply");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].indices, (Indices {0, 1, 2, 0, 2, 3, 0, 3, 4}));
}

TEST(ModelIOLoader, aPLYWithCRLFLinesAndAListOfMoreThan127CornersLoads)
{
    constexpr std::uint8_t corners = 200; // a list length with its top bit set
    test::TemporaryFolder folder;
    std::string ply
        = "ply\r\nformat binary_little_endian 1.0\r\ncomment one polygon\r\nelement vertex 200\r\n"
          "property float x\r\nproperty float y\r\nproperty float z\r\nelement face 1\r\n"
          "property list uchar uint vertex_indices\r\nend_header\n";
    for (std::uint32_t i = 0; i < corners; ++i) {
        const float angle = 6.2831853f * static_cast<float>(i) / corners;
        const std::array<float, 3> position {std::cos(angle), std::sin(angle), 0};
        ply.append(reinterpret_cast<const char*>(position.data()), sizeof position);
    }
    ply += static_cast<char>(corners);
    for (std::uint32_t i = 0; i < corners; ++i)
        ply.append(reinterpret_cast<const char*>(&i), sizeof i);
    test::writeFile(folder / "circle.ply", ply);
    auto meshes = ModelIOLoader::load(folder / "circle.ply");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].triangleCount(), corners - 2u);
}

// A layer's header, not its name, says which reader reads it.
TEST(ModelIOLoader, readsBinaryLayersAndPackagesByTheirHeader)
{
    std::ifstream in(
        std::filesystem::path(std::getenv("MORVENA_SOURCE_DIR")) / "Tests/Data/USD/RiggedFigure.usdc",
        std::ios::binary);
    const std::string crate {std::istreambuf_iterator<char>(in), {}};
    test::TemporaryFolder folder;
    const std::vector<std::pair<std::string, std::string>> files {
        {"figure.usdc", crate},
        {"figure.usd", crate},
        {"figure.usdz", test::storedZip({{"figure.usdc", crate}, {"leg.usda", femurInLeg}})},
        {"misnamed.usdz", test::storedZip({{"root.usda", crate}})},
    };
    for (const auto& [name, bytes] : files) {
        test::writeFile(folder / name, bytes);
        auto meshes = ModelIOLoader::load(folder / name);
        ASSERT_EQ(meshes.size(), 1u) << name;
        EXPECT_EQ(meshes[0].name, "Proxy_1") << name;
        EXPECT_EQ(meshes[0].positions.size(), 370u) << name;
    }
    test::writeFile(folder / "text.usdc", femurInLeg);
    auto text = ModelIOLoader::load(folder / "text.usdc");
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].name, "Femur");
}

TEST(ModelIOLoader, brokenFilesYieldNothing)
{
    test::TemporaryFolder folder;
    const std::string crate = std::string("PXR-USDC") + std::string(80, '\0');
    const std::vector<std::pair<std::string, std::string>> files {
        {"scene.usdc", crate},
        {"crate.usd", crate},
        {"anim.abc", std::string("Ogawa") + std::string(40, '\1')},
        {"crate-root.usdz", test::storedZip({{"root.usdc", crate}, {"leg.usda", femurInLeg}})},
        {"truncated.usdz", test::storedZip({{"leg.usda", femurInLeg}}).substr(0, 100)},
        {"garbage.usda", femurInLeg + "}\n"},
        {"garbage.stl", "solid x\nfacet normal nonsense"},
        {"empty.ply", ""},
        // Assimp never returns from a PLY header without its end line, reads
        // outside its buffers after a malformed element line and allocates
        // whatever a list length says.
        {"endless-header.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\n1\n"},
        {"bad-element.ply",
            "ply\nformat binary_little_endian 1.0\nelement vertex(3\nproperty float x\nproperty float y\n"
            "property float z\nelement face 1\nproperty list uchar uint vertex_indices\nend_header\n"
                + std::string(36, '\0') + std::string("\3\0\0\0\0\1\0\0\0\2\0\0\0", 13)},
        {"long-list.ply",
            "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
            "property float z\nelement face 1\nproperty list int uint vertex_indices\nend_header\n"
                + std::string(36, '\0') + "\xff\xff\xff\x7f"},
        {"notes.txt", femurInLeg},
    };
    for (const auto& [name, bytes] : files) {
        test::writeFile(folder / name, bytes);
        EXPECT_TRUE(ModelIOLoader::load(folder / name).empty()) << name;
    }
    EXPECT_TRUE(ModelIOLoader::load(folder / "missing.usda").empty());
    EXPECT_TRUE(ModelIOLoader::load(folder / "missing.stl").empty());
    EXPECT_TRUE(ModelIOLoader::load(folder.path()).empty());
}
