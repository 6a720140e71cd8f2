// export-gltf run as the real program; the GLB is read back with its JSON chunk.
#include "TestDataset.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>

using namespace morvena;
using namespace morvena::test;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;
using ::testing::UnorderedElementsAre;

namespace {

TestDataset exportDataset()
{
    TestDataset dataset("esporta");
    dataset.add("FMA1", "skull", AnatomySystem::skeletal, ellipsoidMesh({0, 60, 0}, {10, 10, 10}, 8)).nameIT
        = "Cranio";
    dataset.add("FMA2", "right femur", AnatomySystem::skeletal, ellipsoidMesh({-20, 0, 0}, {5, 20, 5}, 8));
    dataset.add("FMA3", "left femur", AnatomySystem::skeletal, ellipsoidMesh({20, 0, 0}, {5, 20, 5}, 8));
    dataset.add("FMA4", "heart", AnatomySystem::cardiac, ellipsoidMesh({0, 30, 0}, {8, 8, 8}, 8)).nameIT
        = "Cuore";
    dataset.add("FMA5", "right vein", AnatomySystem::venous, ellipsoidMesh({0, 20, 0}, {2, 8, 2}, 8));
    dataset.addGroup("FMA9", "femur", {"FMA2", "FMA3"});
    return dataset;
}

struct GLB {
    std::uint32_t declaredLength = 0;
    std::size_t fileLength = 0;
    nlohmann::json json;
};

GLB readGLB(const std::filesystem::path& file)
{
    auto bytes = readFile(file);
    GLB glb;
    glb.fileLength = bytes.size();
    if (bytes.size() < 20 || bytes.compare(0, 4, "glTF") != 0)
        return glb;
    std::uint32_t jsonLength = 0;
    std::memcpy(&glb.declaredLength, bytes.data() + 8, 4);
    std::memcpy(&jsonLength, bytes.data() + 12, 4);
    if (20 + std::size_t(jsonLength) <= bytes.size())
        glb.json = nlohmann::json::parse(bytes.substr(20, jsonLength));
    return glb;
}

std::vector<std::string> nodeNames(const GLB& glb)
{
    std::vector<std::string> names;
    for (const auto& node : glb.json.value("nodes", nlohmann::json::array()))
        names.push_back(node.value("name", ""));
    return names;
}

} // namespace

TEST(ExportGLTFCommand, exportsTheSystemsNamedWithDisplayNames)
{
    ToolSandbox sandbox;
    exportDataset().install(sandbox.dataHome());
    auto result = sandbox.run({"export-gltf", "--system", "SCHEL", "--out", "ossa.glb"});
    ASSERT_EQ(result.status, 0) << result.err;
    auto file = sandbox.workFolder() / "ossa.glb";
    EXPECT_THAT(lines(result.out),
        ElementsAre("glTF scritto: " + file.string(), "  strutture 3 · triangoli 192 · vertici 135",
            MatchesRegex("  dimensione [0-9]+ KB \\(LOD 1\\)")));
    auto glb = readGLB(file);
    EXPECT_EQ(glb.declaredLength, glb.fileLength);
    EXPECT_THAT(nodeNames(glb), UnorderedElementsAre("Cranio", "right femur", "left femur"));

    // "E" is in the names of several systems: each one's structures are exported in
    // system order, each system's in English-name order.
    result = sandbox.run({"export-gltf", "--system", "E", "--lod", "abc"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, ::testing::EndsWith("(LOD 1)\n"));
    EXPECT_THAT(nodeNames(readGLB(sandbox.workFolder() / "anatomia.glb")),
        ElementsAre("left femur", "right femur", "Cranio", "right vein", "Cuore"));
}

TEST(ExportGLTFCommand, exportsAConceptsMeshesOrItsOwn)
{
    ToolSandbox sandbox;
    exportDataset().install(sandbox.dataHome());
    ASSERT_EQ(
        sandbox.run({"export-gltf", "--structure", "FMA9", "--out", "gruppo.glb", "--lod", "0"}).status, 0);
    auto group = readGLB(sandbox.workFolder() / "gruppo.glb");
    EXPECT_EQ(group.declaredLength, group.fileLength);
    EXPECT_THAT(nodeNames(group), UnorderedElementsAre("right femur", "left femur"));

    ASSERT_EQ(sandbox.run({"export-gltf", "--structure", "FMA4", "--out", "cuore.glb"}).status, 0);
    EXPECT_THAT(nodeNames(readGLB(sandbox.workFolder() / "cuore.glb")), ElementsAre("Cuore"));

    ASSERT_EQ(sandbox.run({"export-gltf", "--all", "--out", "tutto.glb"}).status, 0);
    EXPECT_EQ(nodeNames(readGLB(sandbox.workFolder() / "tutto.glb")).size(), 5u);

    // A level beyond every pack's is exported at the coarsest the pack has and
    // reported as it was asked for, not as some narrower number.
    auto far
        = sandbox.run({"export-gltf", "--structure", "FMA4", "--out", "lontano.glb", "--lod", "4294967297"});
    ASSERT_EQ(far.status, 0) << far.err;
    EXPECT_THAT(far.out, ::testing::EndsWith(" KB (LOD 4294967297)\n"));
    EXPECT_THAT(nodeNames(readGLB(sandbox.workFolder() / "lontano.glb")), ElementsAre("Cuore"));
}

TEST(ExportGLTFCommand, emptySelectionsAndUnwritableTargetsLeaveNoFile)
{
    ToolSandbox sandbox;
    exportDataset().install(sandbox.dataHome());
    for (const auto& words : std::vector<std::vector<std::string>> {
             {"export-gltf", "--structure", "FMA404"}, {"export-gltf", "--system", "xyz"}}) {
        auto result = sandbox.run(words);
        EXPECT_EQ(result.status, 1) << words[2];
        EXPECT_EQ(result.out, "Nessuna struttura da esportare.\n");
    }
    auto result = sandbox.run({"export-gltf", "--out", "missing/folder/x.glb"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, ::testing::StartsWith("\nErrore: "));

    // An existing file stays whole when a later export is refused.
    ASSERT_EQ(sandbox.run({"export-gltf", "--structure", "FMA4"}).status, 0);
    auto before = readFile(sandbox.workFolder() / "anatomia.glb");
    EXPECT_EQ(sandbox.run({"export-gltf", "--structure", "FMA404"}).status, 1);
    EXPECT_EQ(readFile(sandbox.workFolder() / "anatomia.glb"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sandbox.workFolder()), {}), 1);
}
