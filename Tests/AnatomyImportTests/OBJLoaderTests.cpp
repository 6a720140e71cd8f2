#include "AnatomyImport/Readers/OBJLoader.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace morvena;
using Indices = std::vector<std::uint32_t>;

namespace {

OBJLoader::Result parseText(std::string_view text)
{
    return OBJLoader::parse({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void expectIndicesInRange(const OBJLoader::Result& result)
{
    for (const auto& group : result.groups) {
        EXPECT_FALSE(group.indices.empty());
        EXPECT_EQ(group.indices.size() % 3, 0u);
        for (auto index : group.indices)
            ASSERT_LT(index, result.positions.size());
    }
    EXPECT_TRUE(result.normals.empty() || result.normals.size() == result.positions.size());
}

constexpr std::string_view fourPositions = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

} // namespace

TEST(OBJNumbers, readSignsFractionsAndExponentsAndTreatGarbageAsZero)
{
    auto result
        = parseText("v 1.5e2 -2.25 +3\nv .5 5. 1E-1\nv 1 2\nv nan 1 2\nv 1e 2e+ -0\nv\t7\t8\t9 1 0.5\n"
                    "v 123456789012345678901234567890 1e-999 0.000000000000000000000000000001\n"
                    "v 0e999 -0.0E+400 1e39\n");
    ASSERT_EQ(result.positions.size(), 8u);
    EXPECT_EQ(result.positions[0], (Float3 {150, -2.25f, 3}));
    EXPECT_EQ(result.positions[1], (Float3 {0.5f, 5, 0.1f}));
    EXPECT_EQ(result.positions[2], (Float3 {1, 2, 0}));
    EXPECT_EQ(result.positions[3], (Float3 {0, 0, 0}));
    EXPECT_EQ(result.positions[4], (Float3 {1, 2, 0}));
    EXPECT_TRUE(std::signbit(result.positions[4][2]));
    EXPECT_EQ(result.positions[5], (Float3 {7, 8, 9}));
    EXPECT_FLOAT_EQ(result.positions[6][0], 1.2345679e29f);
    EXPECT_EQ(result.positions[6][1], 0.f);
    EXPECT_FLOAT_EQ(result.positions[6][2], 1e-30f);
    EXPECT_EQ(result.positions[7][0], 0.f);
    EXPECT_EQ(result.positions[7][1], 0.f);
    EXPECT_TRUE(std::isinf(result.positions[7][2])); // beyond float range: triangles using it are dropped
    EXPECT_TRUE(result.groups.empty());
}

TEST(OBJFaces, fanAroundTheFirstReferenceWithRelativeAndSlashedForms)
{
    auto result = parseText(std::string(fourPositions)
        + "v 2 2 0\n"
          "f 1 2 3 4\nf 1/1 2/2/2 3//3 4 5\nf -5 -4 -3\nf -1/-1/-1 -2/-2/-2 -3/-3/-3\n"
          "f 1 2\nf 1 2 3 # note\nf 3 2 1\n");
    ASSERT_EQ(result.groups.size(), 1u);
    EXPECT_EQ(result.groups[0].name, "");
    EXPECT_EQ(result.groups[0].indices,
        (Indices {0, 1, 2, 0, 2, 3, 0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 1, 2, 4, 3, 2, 0, 1, 2, 2, 1, 0}));
}

TEST(OBJFaces, relativeReferencesBeforeTheFirstVertexClampToIt)
{
    auto result = parseText("v 0 0 0\nv 1 0 0\nf -9 -8 -7\nv 0 1 0\nf -1 -2 -9\n");
    ASSERT_EQ(result.groups.size(), 1u);
    // The first face collapses onto vertex 0 but is still a triangle of the file.
    EXPECT_EQ(result.groups[0].indices, (Indices {0, 0, 0, 2, 1, 0}));
}

TEST(OBJFaces, referencesToMissingVerticesAreDroppedWithTheirTriangles)
{
    auto result = parseText(std::string(fourPositions)
        + "f 1 2 3\nf 0 1 2\nf 1 2 9\nf 1 2 3 4 5\nf 4294967297 1 2\nf 99999999999999999999999 1 2\n"
          "g only-bad\nf 1 2 0\ng good\nf 2 3 4\n");
    ASSERT_EQ(result.groups.size(), 2u);
    EXPECT_EQ(result.groups[0].indices, (Indices {0, 1, 2, 0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(result.groups[1].name, "good");
    EXPECT_EQ(result.groups[1].indices, (Indices {1, 2, 3}));
}

TEST(OBJFaces, aForwardReferenceThatTheFileLaterDefinesIsKept)
{
    auto result = parseText("v 0 0 0\nf 1 2 3\nv 1 0 0\nv 0 1 0\n");
    ASSERT_EQ(result.groups.size(), 1u);
    EXPECT_EQ(result.groups[0].indices, (Indices {0, 1, 2}));
}

TEST(OBJFaces, trianglesTouchingNonFinitePositionsAreDropped)
{
    auto result
        = parseText("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1e999 0 0\nv 0 -1e400 0\nf 1 2 3\nf 1 2 4\nf 5 1 2\n");
    ASSERT_EQ(result.groups.size(), 1u);
    EXPECT_EQ(result.groups[0].indices, (Indices {0, 1, 2}));
    EXPECT_EQ(result.positions.size(), 5u);
}

TEST(OBJGroups, namesAreTrimmedAndEmptyGroupsOnlyRename)
{
    auto result = parseText(std::string(fourPositions)
        + "f 1 2 3\ng  Left femur  \r\nf 1 2 3\ng a\ng b\nf 2 3 4\no b\nf 1 3 4\ng\nf 1 2 4\n"
          "g caf\xC3\xA9 \xFF\xC3\n");
    ASSERT_EQ(result.groups.size(), 5u);
    EXPECT_EQ(result.groups[0].name, "");
    EXPECT_EQ(result.groups[1].name, "Left femur");
    EXPECT_EQ(result.groups[2].name, "b");
    EXPECT_EQ(result.groups[3].name, "b");
    EXPECT_EQ(result.groups[4].name, "");
    EXPECT_EQ(result.allIndices(), (Indices {0, 1, 2, 0, 1, 2, 1, 2, 3, 0, 2, 3, 0, 1, 3}));

    // Bytes that are no UTF-8 stay for the import to repair, as every reader's.
    auto latin1 = parseText(std::string(fourPositions) + "g caf\xC3\xA9 \xFF\xC3\nf 1 2 3\n");
    EXPECT_EQ(latin1.groups.at(0).name, "caf\xC3\xA9 \xFF\xC3");

    // White space beyond ASCII goes too: no-break and ideographic spaces.
    auto unicodeBlanks = parseText(std::string(fourPositions) + "g \u00A0Tibia \u3000\nf 1 2 3\n");
    EXPECT_EQ(unicodeBlanks.groups.at(0).name, "Tibia");
}

TEST(OBJStatements, unknownStatementsChangeNothingAndCarriageReturnsParse)
{
    auto plain = parseText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    auto noisy
        = parseText("# comment\r\nmtllib x.mtl\r\n  v 0 0 0\r\nvt 0.5 0.5\r\nv 1 0 0 1 0.5 0.5\r\nvp 1\r\n"
                    "usemtl bone\r\ns 1\r\nl 1 2\r\np 1\r\n\t v 0 1 0\r\n\r\nf 1 2 3");
    EXPECT_EQ(noisy, plain);
    EXPECT_EQ(parseText("v"), OBJLoader::Result {});
    EXPECT_EQ(parseText(""), OBJLoader::Result {});
}

TEST(OBJNormals, areReturnedOnlyWhenAlignedWithThePositions)
{
    const std::string threeVertices = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string threeNormals = "vn 0 0 1\nvn 0 0 1\nvn 0 1 0\n";
    EXPECT_TRUE(parseText(threeVertices + "vn 0 0 1\nvn 0 0 1\nf 1//1 2//2 3//3\n").normals.empty());
    auto aligned = parseText(threeVertices + threeNormals + "f 1//1 2//2 3//3\nf 1/5 2 3\n");
    EXPECT_EQ(aligned.normals, (std::vector<Float3> {{0, 0, 1}, {0, 0, 1}, {0, 1, 0}}));
    EXPECT_TRUE(parseText(threeVertices + threeNormals + "f 1//2 2//3 3//1\n").normals.empty());
    // Compared as written: -1 and 3 name the same vertex but not the same number.
    EXPECT_TRUE(parseText(threeVertices + threeNormals + "f 1//1 2//2 -1//3\n").normals.empty());
}

TEST(OBJGroupMesh, carriesOnlyTheVerticesItsTrianglesUse)
{
    auto result = parseText("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 10 10 10\nv 11 10 10\nv 10 11 10\n"
                            "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 1 0 0\nvn 1 0 0\nvn 1 0 0\n"
                            "g a\nf 1 2 3\ng b\nf 6 4 5\nf 4 5 6\n");
    ASSERT_EQ(result.groups.size(), 2u);
    RawMesh b = result.groupMesh(1);
    EXPECT_EQ(b.name, "b");
    EXPECT_EQ(b.positions, (std::vector<Float3> {{10, 10, 10}, {11, 10, 10}, {10, 11, 10}}));
    EXPECT_EQ(b.normals, (std::vector<Float3> {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}}));
    EXPECT_EQ(b.indices, (Indices {2, 0, 1, 0, 1, 2}));
    EXPECT_EQ(b.bounds(), (RawMesh::Bounds {{10, 10, 10}, {11, 11, 10}}));
    EXPECT_EQ(result.groupMesh(0).positions.size(), 3u);
    EXPECT_TRUE(result.groupMesh(2).positions.empty());
}

TEST(OBJGroupMesh, renumbersGroupsWhoseVerticesLieFarApart)
{
    std::string text;
    for (int vertex = 0; vertex < 20000; ++vertex)
        text += "v " + std::to_string(vertex) + " 0 0\n";
    text += "g near\nf 7 5 6\nf 5 6 8\ng far\nf 20000 2 1\nf 1 10000 20000\n";
    auto result = parseText(text);
    ASSERT_EQ(result.groups.size(), 2u);
    RawMesh near = result.groupMesh(0);
    EXPECT_EQ(near.positions, (std::vector<Float3> {{4, 0, 0}, {5, 0, 0}, {6, 0, 0}, {7, 0, 0}}));
    EXPECT_EQ(near.indices, (Indices {2, 0, 1, 0, 1, 3}));
    RawMesh far = result.groupMesh(1);
    EXPECT_EQ(far.positions, (std::vector<Float3> {{0, 0, 0}, {1, 0, 0}, {9999, 0, 0}, {19999, 0, 0}}));
    EXPECT_EQ(far.indices, (Indices {3, 1, 0, 0, 2, 3}));
}

TEST(OBJRobustness, randomBytesAndEveryPrefixGiveIndicesInRange)
{
    const std::string valid
        = "# cube corner\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n"
          "vn 0 0 1\ng side\nf 1//1 2//2 3//3 4//4\no top\nf -1 -2 -3\nf 1/1/1 3/3/3 4/4/4";
    for (std::size_t length = 0; length <= valid.size(); ++length)
        expectIndicesInRange(parseText(std::string_view(valid).substr(0, length)));

    std::mt19937 rng(5);
    const std::string alphabet = "vnfgo -/.+e0123456789\n\r\t#";
    for (int round = 0; round < 300; ++round) {
        std::string text(rng() % 400, '\0');
        for (char& c : text)
            c = round % 2 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
        expectIndicesInRange(parseText(text));
    }
}

TEST(OBJRobustness, whereTheTextIsCutIntoPiecesNeverChangesTheResult)
{
    auto parseInPieces = [](std::string_view text, std::size_t pieceBytes) {
        return OBJLoader::parse(
            {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, pieceBytes);
    };
    // Triangles before the first group, groups running on over many lines,
    // groups without triangles, relative numbers reaching past the first vertex,
    // numbers naming no vertex, CRLF lines and a last line without its feed.
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf -1 -2 -3\r\ng first\n";
    for (int vertex = 0; vertex < 60; ++vertex)
        text += "v " + std::to_string(vertex) + " 1 2\nvn 0 0 1\nf -1 -2 -3\nf 1 -1 "
            + std::to_string(vertex + 2) + "\n";
    text
        += "g empty\no\t named object \r\nf -7 -8 -9\nf 0 1 2\nf 99999 1 2\nf -99999 1 2\ng\ng last\nf 3 4 5";
    const auto whole = parseInPieces(text, text.size());
    ASSERT_EQ(whole.groups.size(), 4u);
    EXPECT_EQ(whole.groups[2].name, "named object");
    EXPECT_EQ(whole.groups[3].indices, (Indices {2, 3, 4}));
    for (std::size_t pieceBytes : {0, 1, 9, 40, 333})
        EXPECT_EQ(parseInPieces(text, pieceBytes), whole) << pieceBytes;

    std::mt19937 rng(7);
    const std::string alphabet = "vnfgo -/.+e0123456789\n\r\t#";
    for (int round = 0; round < 80; ++round) {
        std::string random(rng() % 400, '\0');
        for (char& c : random)
            c = alphabet[rng() % alphabet.size()];
        const auto reference = parseInPieces(random, random.size());
        for (std::size_t pieceBytes : {0, 13})
            ASSERT_EQ(parseInPieces(random, pieceBytes), reference) << round << ", " << pieceBytes;
    }
}

TEST(OBJFiles, loadMapsTheFileAndFailsWithTheItalianMessage)
{
    test::TemporaryFolder folder;
    test::writeFile(folder / "femur.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3");
    test::writeFile(folder / "empty.obj", "");
    auto loaded = OBJLoader::load(folder / "femur.obj");
    EXPECT_EQ(loaded.positions.size(), 3u);
    EXPECT_EQ(loaded.allIndices(), (Indices {0, 1, 2}));
    EXPECT_EQ(OBJLoader::load(folder / "empty.obj"), OBJLoader::Result {});

    std::filesystem::create_symlink("loop.obj", folder / "loop.obj");
    const std::pair<std::filesystem::path, std::string> unreadable[] = {
        {folder / "missing.obj", "il file o la cartella non esiste"},
        {folder.path(), "è una cartella"},
        {folder / (std::string(300, 'a') + ".obj"), "il nome del file o del percorso è troppo lungo"},
        {folder / "loop.obj",
            "troppi collegamenti simbolici nel percorso, forse un collegamento che rimanda a sé stesso"},
    };
    for (const auto& [path, reason] : unreadable) {
        try {
            OBJLoader::load(path);
            ADD_FAILURE() << path;
        } catch (const OBJLoader::Failure& failure) {
            EXPECT_EQ(failure.kind(), OBJLoader::Failure::Kind::unreadable);
            EXPECT_EQ(failure.path(), path.string());
            EXPECT_EQ(std::string(failure.what()),
                "File OBJ non leggibile: " + path.string() + " (" + reason + ")");
        }
    }
}
