#include "AnatomyImport/Readers/USDCReader.h"

#include "AnatomyImport/Readers/Internal/LittleEndian.h"

#include "CrateWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace morvena;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Three real layers (Tests/Data/USD, see its README), written by two different tools.
const char* const sampleNames[] = {"BoxAnimated.usdc", "RiggedFigure.usdc", "RoughnessTest.usdc"};

Bytes sample(const std::string& name)
{
    const std::filesystem::path file
        = std::filesystem::path(std::getenv("MORVENA_SOURCE_DIR")) / "Tests" / "Data" / "USD" / name;
    std::ifstream in(file, std::ios::binary);
    Bytes bytes {std::istreambuf_iterator<char>(in), {}};
    EXPECT_FALSE(bytes.empty()) << file;
    return bytes;
}

// Either the reader refuses the bytes, or what it returns is safe to use.
void refusedOrSound(const Bytes& bytes, const std::string& what)
{
    std::vector<RawMesh> meshes;
    try {
        meshes = USDCReader::read(bytes);
    } catch (const USDCReader::Error&) {
        return;
    }
    for (const RawMesh& mesh : meshes) {
        ASSERT_EQ(mesh.indices.size() % 3, 0u) << what;
        ASSERT_EQ(mesh.normals.size(), mesh.positions.size()) << what;
        for (std::uint32_t index : mesh.indices)
            ASSERT_LT(index, mesh.positions.size()) << what;
    }
}

bool refused(const Bytes& bytes)
{
    try {
        USDCReader::read(bytes);
        return false;
    } catch (const USDCReader::Error&) {
        return true;
    }
}

} // namespace

// The expected figures were derived once, outside this project, with an
// independent reader of the format: each layer was converted to text with the
// "tinyusdz" npm package (0.9.0-rc10, run by hand under Node), and the points
// and sum(faceVertexCount - 2) of every Mesh prim were counted in that text. The
// order is the layers' own "primChildren" order (that text lists siblings
// alphabetically instead).
TEST(USDCReader, readsTheSampleLayersMeshByMeshInPrimOrder)
{
    struct Expected {
        const char* name;
        std::size_t points;
        std::size_t triangles;
    };
    const std::vector<std::pair<std::string, std::vector<Expected>>> table {
        {"BoxAnimated.usdc", {{"node_3", 224, 192}, {"node_2", 96, 62}}},
        {"RiggedFigure.usdc", {{"Proxy_1", 370, 256}}},
        {"RoughnessTest.usdc",
            {{"Mesh", 75, 112}, {"Mesh_002", 75, 112}, {"Mesh_004", 75, 112}, {"Mesh_001", 40, 56},
                {"Mesh_003", 40, 56}, {"Mesh_005", 40, 56}}},
    };
    for (const auto& [file, expected] : table) {
        const auto meshes = USDCReader::read(sample(file));
        ASSERT_EQ(meshes.size(), expected.size()) << file;
        for (std::size_t m = 0; m < meshes.size(); ++m) {
            EXPECT_EQ(meshes[m].name, expected[m].name) << file;
            EXPECT_EQ(meshes[m].positions.size(), expected[m].points) << expected[m].name;
            EXPECT_EQ(meshes[m].triangleCount(), expected[m].triangles) << expected[m].name;
            EXPECT_EQ(meshes[m].normals.size(), expected[m].points) << expected[m].name;
        }
    }

    // Values as stored, untransformed: the box's first point and its per-point
    // normal ("primvars:normals", vertex interpolation) from the same text.
    const auto box = USDCReader::read(sample("BoxAnimated.usdc"));
    EXPECT_EQ(box[1].positions[0], (Float3 {-0.33204f, -0.5f, 0.33204f}));
    EXPECT_NEAR(box[1].normals[0][1], -0.707107f, 1e-6f);
    EXPECT_NEAR(box[1].normals[0][2], 0.707107f, 1e-6f);
    EXPECT_EQ(box[1].normals[0][0], 0.0f);
}

namespace {

void addTriangle(test::CrateWriter& layer, std::uint32_t parent, const std::string& name,
    test::CrateWriter::Specifier specifier = test::CrateWriter::def)
{
    const auto mesh = layer.prim(parent, name, "Mesh", specifier);
    layer.attribute(mesh, "points", layer.vectors({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    layer.attribute(mesh, "faceVertexCounts", layer.ints({3}));
    layer.attribute(mesh, "faceVertexIndices", layer.ints({0, 1, 2}));
}

} // namespace

// Layers written in the array layouts of 0.4.0 (a rank before uint32 counts),
// 0.6.0 (compressed int arrays) and 0.7.0 on (uint64 counts).
TEST(USDCReader, followsTheTextReadersRulesInEveryArrayLayout)
{
    for (int minor : {4, 6, 8, 14}) {
        test::CrateWriter layer(minor);
        const auto leg = layer.prim(0, "Leg", "Xform");
        const auto femur = layer.prim(leg, "Femur", "Mesh");
        // Six quads and a fan of five corners: 29 indices, enough to be coded.
        std::vector<Float3> points;
        std::vector<std::int32_t> counts(6, 4), corners;
        for (int q = 0; q < 6; ++q) {
            for (int k = 0; k < 4; ++k) {
                points.push_back({float(q), float(k), float(minor)});
                corners.push_back(4 * q + k);
            }
        }
        counts.push_back(5);
        corners.insert(corners.end(), {0, 4, 8, 12, 16});
        layer.attribute(femur, "points", layer.vectors(points));
        layer.attribute(femur, "faceVertexCounts", layer.ints(counts));
        layer.attribute(femur, "faceVertexIndices", layer.ints(corners));
        layer.attribute(femur, "normals", layer.vectors(std::vector<Float3>(24, {0, 0, 1})), "vertex");
        addTriangle(layer, leg, ""); // unnamed: takes the group's name
        addTriangle(layer, leg, "Ghost", test::CrateWriter::over);
        addTriangle(layer, leg, "Template", test::CrateWriter::klass);
        addTriangle(layer, layer.prim(leg, "Elsewhere", "", test::CrateWriter::over), "Inside");
        addTriangle(layer, 0, "Last");

        const auto meshes = USDCReader::read(layer.bytes());
        ASSERT_EQ(meshes.size(), 3u) << minor;
        EXPECT_EQ(meshes[0].name, "Femur");
        EXPECT_EQ(meshes[0].positions, points);
        EXPECT_EQ(meshes[0].triangleCount(), 6u * 2 + 3);
        EXPECT_EQ(meshes[0].indices[0], 0u);
        EXPECT_EQ(meshes[0].indices[5], 3u); // the second half of the first quad
        EXPECT_EQ(meshes[0].normals, std::vector<Float3>(24, {0, 0, 1}));
        EXPECT_EQ(meshes[1].name, "Leg");
        EXPECT_EQ(meshes[1].normals, std::vector<Float3>(3, {0, 0, 1})); // generated
        EXPECT_EQ(meshes[2].name, "Last");
    }
}

TEST(USDCReader, refusesPrimsNestedDeeperThanTheBound)
{
    for (const auto& [depth, readable] : {std::pair {256, true}, std::pair {257, false}}) {
        test::CrateWriter layer;
        std::uint32_t parent = 0;
        for (int level = 1; level < depth; ++level)
            parent = layer.prim(parent, "Level" + std::to_string(level), "Xform");
        addTriangle(layer, parent, "Deepest");
        EXPECT_EQ(!refused(layer.bytes()), readable) << depth;
    }
}

TEST(USDCReader, refusesOtherHeadersAndVersions)
{
    const Bytes layer = sample("RiggedFigure.usdc");
    ASSERT_FALSE(refused(layer));
    const std::vector<std::pair<std::size_t, std::uint8_t>> patches {
        {3, 'X'}, // "PXR-USDC" no more
        {8, 1}, // major version 1
        {9, 3}, // 0.3.0: uncompressed structural sections, not read
        {9, 15}, // 0.15.0: newer than any known
    };
    for (const auto& [offset, value] : patches) {
        Bytes patched = layer;
        patched[offset] = value;
        EXPECT_TRUE(refused(patched)) << offset << " " << int(value);
    }
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused(Bytes(88, 0)));
}

// The table of contents ends the file, so no prefix of it can be read; each must
// be refused without reading past its end (AddressSanitizer watches).
TEST(USDCReader, everyTruncatedPrefixIsRefused)
{
    for (const char* name : sampleNames) {
        const Bytes layer = sample(name);
        for (std::size_t size = 0; size < layer.size(); ++size) {
            const Bytes prefix(layer.begin(), layer.begin() + static_cast<std::ptrdiff_t>(size));
            ASSERT_TRUE(refused(prefix)) << name << " cut to " << size;
        }
    }
}

// Each section of the table of contents declared shorter, one byte at a time:
// the reader meets every truncated structure inside a complete file.
TEST(USDCReader, sectionsCutShortAreRefusedOrReadInBounds)
{
    for (const char* name : sampleNames) {
        const Bytes layer = sample(name);
        const std::uint64_t toc = LittleEndian::load64(layer, 16);
        const std::uint64_t sectionCount = LittleEndian::load64(layer, toc);
        ASSERT_EQ(sectionCount, 6u) << name;
        for (std::uint64_t s = 0; s < sectionCount; ++s) {
            const std::uint64_t sizeAt = toc + 8 + 32 * s + 24;
            const std::uint64_t size = LittleEndian::load64(layer, sizeAt);
            for (std::uint64_t shorter = 0; shorter < size; ++shorter) {
                Bytes patched = layer;
                for (int b = 0; b < 8; ++b)
                    patched[sizeAt + b] = static_cast<std::uint8_t>(shorter >> (8 * b));
                refusedOrSound(patched, std::string(name) + " section " + std::to_string(s));
            }
        }
    }
}

// One bit flipped at every other byte of the structural sections and the table
// of contents (which end each sample), and at every 37th byte of the values
// before them: tables, compressed blocks, value representations, array counts and
// data all get damaged somewhere.
TEST(USDCReader, flippedBitsAreRefusedOrReadInBounds)
{
    for (const char* name : sampleNames) {
        const Bytes layer = sample(name);
        const std::uint64_t toc = LittleEndian::load64(layer, 16);
        std::uint64_t sections = toc;
        for (std::uint64_t s = 0; s < LittleEndian::load64(layer, toc); ++s)
            sections = std::min(sections, LittleEndian::load64(layer, toc + 8 + 32 * s + 16));
        unsigned flips = 0;
        for (std::size_t at = 0; at < layer.size(); at += at < sections ? 37 : 2) {
            Bytes damaged = layer;
            damaged[at] ^= static_cast<std::uint8_t>(1u << (flips++ % 8));
            refusedOrSound(damaged, std::string(name) + " byte " + std::to_string(at));
        }
    }
}
