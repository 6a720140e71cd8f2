#include "AnatomyImport/Export/GLTFExporter.h"

#include "../AnatomyCoreTests/PackTestSupport.h"
#include "TemporaryFolder.h"

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyImport/Readers/GLTFLoader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>

using namespace morvena;
using namespace morvena::test;

namespace {

// A GLB file taken apart without trusting any of its lengths.
struct ParsedGLB {
    std::uint32_t magic = 0, version = 0, totalLength = 0, jsonChunkType = 0, binChunkType = 0;
    std::string jsonText; // with its padding
    nlohmann::json json;
    std::string bin;
};

std::uint32_t le32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    if (at + 4 <= bytes.size())
        std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

ParsedGLB parseGLB(const std::vector<std::byte>& data)
{
    std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    ParsedGLB glb;
    glb.magic = le32(bytes, 0);
    glb.version = le32(bytes, 4);
    glb.totalLength = le32(bytes, 8);
    const std::size_t jsonLength
        = std::min<std::size_t>(le32(bytes, 12), bytes.size() - std::min<std::size_t>(20, bytes.size()));
    glb.jsonChunkType = le32(bytes, 16);
    glb.jsonText = std::string(bytes.substr(std::min<std::size_t>(20, bytes.size()), jsonLength));
    const std::size_t binHeader = 20 + jsonLength;
    glb.binChunkType = le32(bytes, binHeader + 4);
    if (binHeader + 8 <= bytes.size())
        glb.bin = std::string(bytes.substr(binHeader + 8, le32(bytes, binHeader)));
    glb.json = nlohmann::json::parse(glb.jsonText, nullptr, false);
    return glb;
}

bool keysAreSorted(const nlohmann::ordered_json& value)
{
    if (value.is_array())
        return std::ranges::all_of(value, [](const auto& item) { return keysAreSorted(item); });
    if (!value.is_object())
        return true;
    std::string previous;
    for (const auto& [key, item] : value.items()) {
        if (key < previous || !keysAreSorted(item))
            return false;
        previous = key;
    }
    return true;
}

// The elements of an accessor of the BIN chunk, read through its buffer view.
template <typename Element> std::vector<Element> accessorData(const ParsedGLB& glb, std::size_t accessor)
{
    const auto& description = glb.json["accessors"][accessor];
    const auto& view = glb.json["bufferViews"][std::size_t(description["bufferView"])];
    const std::size_t count = description["count"], offset = view["byteOffset"];
    std::vector<Element> elements(count);
    EXPECT_LE(offset + count * sizeof(Element), glb.bin.size());
    if (offset + count * sizeof(Element) <= glb.bin.size())
        std::memcpy(elements.data(), glb.bin.data() + offset, count * sizeof(Element));
    return elements;
}

std::vector<Float3> positionsOf(const ParsedGLB& glb, std::size_t mesh)
{
    return accessorData<Float3>(glb, 3 * mesh);
}
std::vector<Float3> normalsOf(const ParsedGLB& glb, std::size_t mesh)
{
    return accessorData<Float3>(glb, 3 * mesh + 1);
}
std::vector<std::uint32_t> indicesOf(const ParsedGLB& glb, std::size_t mesh)
{
    return accessorData<std::uint32_t>(glb, 3 * mesh + 2);
}

constexpr GLTFExporter::Options plain {.lod = 0, .coloredMaterials = false, .scale = 1, .centered = false};

// A pack written from `meshes` in the order given (no locality sort).
std::unique_ptr<MeshPack> packOf(const TemporaryFolder& folder, std::vector<MeshPackBuilder::Mesh> meshes)
{
    MeshPackBuilder builder;
    for (auto& mesh : meshes)
        builder.add(std::move(mesh));
    builder.write(folder / "geometry.mrvpack", "Atlante", "CC BY");
    return std::make_unique<MeshPack>(folder / "geometry.mrvpack");
}

MeshPackBuilder::Mesh meshWith(std::string id, std::vector<Float3> positions,
    std::vector<std::vector<std::uint32_t>> levels, AnatomySystem system = AnatomySystem::skeletal)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = id;
    mesh.name = "Nome " + id;
    mesh.system = system;
    mesh.positions = std::move(positions);
    mesh.normals.assign(mesh.positions.size(), Float3 {0, 0, 1});
    mesh.lodIndices = std::move(levels);
    return mesh;
}

std::vector<std::int64_t> allStructures(const MeshPack& pack)
{
    std::vector<std::int64_t> all;
    for (std::size_t i = 0; i < pack.structureCount(); ++i)
        all.push_back(static_cast<std::int64_t>(i));
    return all;
}

} // namespace

TEST(GLTFExporter, givesNothingWithoutAnExportableStructure)
{
    TemporaryFolder folder;
    auto pack = packOf(folder, {stripMesh("a", "A", 2)});
    const GLTFExporter::Names none;
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, {}, none, plain));
    const std::vector<std::int64_t> invalid {-1, 1, 99};
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, invalid, none, plain));
    // Level 3 is empty and a negative level selects it: nothing to write.
    const std::vector<std::int64_t> first {0};
    auto coarsest = plain;
    coarsest.lod = -1;
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, first, none, coarsest));
}

TEST(GLTFExporter, containerHeaderChunksAndViewsAreAlignedAndConsistent)
{
    TemporaryFolder folder;
    auto pack = packOf(folder, {stripMesh("a", "A", 3), stripMesh("b", "B", 1, {5, 0, 0})});
    const std::vector<std::int64_t> both {0, 7, 1}; // 7 is skipped
    auto result = GLTFExporter::exportGLB(*pack, both, {}, plain);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->structureCount, 2);
    EXPECT_EQ(result->triangleCount, 4);
    EXPECT_EQ(result->vertexCount, 8);

    auto glb = parseGLB(result->data);
    EXPECT_EQ(glb.magic, 0x46546C67u);
    EXPECT_EQ(glb.version, 2u);
    EXPECT_EQ(glb.totalLength, result->data.size());
    EXPECT_EQ(glb.totalLength, 28 + glb.jsonText.size() + glb.bin.size());
    EXPECT_EQ(glb.jsonText.size() % 4, 0u);
    EXPECT_EQ(glb.bin.size() % 4, 0u);
    EXPECT_EQ(glb.jsonChunkType, 0x4E4F534Au);
    EXPECT_EQ(glb.binChunkType, 0x004E4942u);
    // The JSON is compact, padded with spaces only, with every object's keys sorted.
    auto unpadded = glb.jsonText.substr(0, glb.jsonText.find_last_not_of(' ') + 1);
    EXPECT_LT(glb.jsonText.size() - unpadded.size(), 4u);
    EXPECT_EQ(unpadded.find('\n'), std::string::npos);
    EXPECT_TRUE(keysAreSorted(nlohmann::ordered_json::parse(unpadded)));

    const auto& doc = glb.json;
    EXPECT_EQ(doc["asset"], (nlohmann::json {{"version", "2.0"}, {"generator", "Morvena"}}));
    EXPECT_EQ(doc["scene"], 0);
    EXPECT_EQ(doc["scenes"], nlohmann::json::parse(R"([{"nodes":[0,1]}])"));
    ASSERT_EQ(doc["nodes"].size(), 2u);
    EXPECT_EQ(doc["nodes"][1], nlohmann::json::parse(R"({"name":"B","mesh":1,"extras":{"conceptID":"b"}})"));
    EXPECT_EQ(doc["meshes"][1]["primitives"][0],
        nlohmann::json::parse(R"({"attributes":{"POSITION":3,"NORMAL":4},"indices":5,"mode":4})"));
    EXPECT_EQ(doc["accessors"].size(), 6u);
    EXPECT_EQ(doc["buffers"], nlohmann::json::array({{{"byteLength", glb.bin.size()}}}));
    EXPECT_FALSE(doc.contains("materials"));

    ASSERT_EQ(doc["bufferViews"].size(), 6u);
    std::size_t end = 0;
    for (std::size_t v = 0; v < 6; ++v) {
        const auto& view = doc["bufferViews"][v];
        const auto& accessor = doc["accessors"][v];
        EXPECT_EQ(accessor["bufferView"], v);
        EXPECT_EQ(view["buffer"], 0);
        EXPECT_EQ(view["target"], v % 3 == 2 ? 34963 : 34962);
        std::size_t offset = view["byteOffset"], length = view["byteLength"];
        EXPECT_EQ(offset % 4, 0u);
        EXPECT_GE(offset, end);
        end = offset + length;
        const std::size_t elementBytes = v % 3 == 2 ? 4 : 12;
        EXPECT_EQ(length, std::size_t(accessor["count"]) * elementBytes);
    }
    EXPECT_LE(end, glb.bin.size());
}

TEST(GLTFExporter, jsonIsPaddedWithSpacesToAMultipleOfFour)
{
    // The name appears twice and the concept ID once, so together they move
    // the JSON text through every remainder.
    std::set<std::size_t> paddings;
    for (std::string conceptID : {"a", "ab"}) {
        TemporaryFolder folder;
        auto pack = packOf(folder, {stripMesh(conceptID, "A")});
        const std::vector<std::int64_t> first {0};
        for (std::string name : {"x", "xx"}) {
            auto result = GLTFExporter::exportGLB(*pack, first, {{0, name}}, plain);
            ASSERT_TRUE(result);
            auto glb = parseGLB(result->data);
            auto unpadded = glb.jsonText.find_last_not_of(' ') + 1;
            paddings.insert(glb.jsonText.size() - unpadded);
            EXPECT_EQ(glb.jsonText.size() % 4, 0u);
            EXPECT_EQ(glb.json["nodes"][0]["name"], name);
            EXPECT_EQ(glb.json["meshes"][0]["name"], name);
            EXPECT_EQ(glb.json["nodes"][0]["extras"]["conceptID"], conceptID);
        }
    }
    EXPECT_EQ(paddings, (std::set<std::size_t> {0, 1, 2, 3}));
}

TEST(GLTFExporter, reindexesEachStructureInOrderOfFirstUse)
{
    TemporaryFolder folder;
    std::vector<Float3> positions;
    for (int i = 0; i < 10; ++i)
        positions.push_back({float(i), float(2 * i), 0.5f});
    auto pack
        = packOf(folder, {meshWith("a", positions, {{7, 9, 7}}), meshWith("b", positions, {{9, 7, 9}})});
    const std::vector<std::int64_t> both {0, 1};
    auto result = GLTFExporter::exportGLB(*pack, both, {}, plain);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->vertexCount, 4); // no vertex shared across structures
    auto glb = parseGLB(result->data);
    EXPECT_EQ(indicesOf(glb, 0), (std::vector<std::uint32_t> {0, 1, 0}));
    EXPECT_EQ(positionsOf(glb, 0), (std::vector<Float3> {{7, 14, 0.5f}, {9, 18, 0.5f}}));
    EXPECT_EQ(positionsOf(glb, 1), (std::vector<Float3> {{9, 18, 0.5f}, {7, 14, 0.5f}}));
    EXPECT_EQ(normalsOf(glb, 1), (std::vector<Float3> {{0, 0, 1}, {0, 0, 1}}));
}

TEST(GLTFExporter, centresOnTheSelectionAndScales)
{
    TemporaryFolder folder;
    const std::vector<Float3> box {{0, 0, 0}, {10, 0, 0}, {0, 20, 30}, {10, 20, 30}};
    auto pack = packOf(folder, {meshWith("a", box, {{0, 1, 2, 1, 3, 2}})});
    const std::vector<std::int64_t> first {0};

    auto asIs = GLTFExporter::exportGLB(*pack, first, {}, plain);
    ASSERT_TRUE(asIs);
    auto glb = parseGLB(asIs->data);
    EXPECT_EQ(positionsOf(glb, 0), box);
    EXPECT_EQ(glb.json["accessors"][0]["min"], nlohmann::json::parse("[0,0,0]"));
    EXPECT_EQ(glb.json["accessors"][0]["max"], nlohmann::json::parse("[10,20,30]"));

    auto centred = GLTFExporter::exportGLB(
        *pack, first, {}, {.lod = 0, .coloredMaterials = false, .scale = 0.5f, .centered = true});
    ASSERT_TRUE(centred);
    glb = parseGLB(centred->data);
    EXPECT_EQ(positionsOf(glb, 0)[0], (Float3 {-2.5f, -5, -7.5f}));
    EXPECT_EQ(glb.json["accessors"][0]["min"], nlohmann::json::parse("[-2.5,-5,-7.5]"));
    EXPECT_EQ(glb.json["accessors"][0]["max"], nlohmann::json::parse("[2.5,5,7.5]"));
}

TEST(GLTFExporter, selectsTheNearestFilledLevel)
{
    TemporaryFolder folder;
    const std::vector<Float3> quad {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    auto pack = packOf(folder, {meshWith("a", quad, {{0, 1, 2, 1, 3, 2}, {0, 3, 2}})});
    const std::vector<std::int64_t> first {0};
    for (auto [lod, triangles] : {std::pair {0, 2}, {1, 1}, {2, 1}, {9, 1}}) {
        auto result = GLTFExporter::exportGLB(
            *pack, first, {}, {.lod = lod, .coloredMaterials = false, .scale = 1, .centered = false});
        ASSERT_TRUE(result);
        EXPECT_EQ(result->triangleCount, triangles) << "lod " << lod;
    }
}

TEST(GLTFExporter, oneMaterialPerSystemInTheOrderFirstMet)
{
    TemporaryFolder folder;
    std::vector<MeshPackBuilder::Mesh> meshes;
    for (auto id : {"m1", "m2", "m3"})
        meshes.push_back(stripMesh(id, id, 1, {}, AnatomySystem::muscular));
    meshes.push_back(stripMesh("bone", "bone", 1, {}, AnatomySystem::skeletal));
    auto pack = packOf(folder, std::move(meshes));
    const auto all = allStructures(*pack);

    auto colored = plain;
    colored.coloredMaterials = true;
    auto result = GLTFExporter::exportGLB(*pack, all, {}, colored);
    ASSERT_TRUE(result);
    auto doc = parseGLB(result->data).json;
    ASSERT_EQ(doc["materials"].size(), 2u);
    const auto& muscles = doc["materials"][0];
    EXPECT_EQ(muscles["name"], "Muscoli");
    EXPECT_EQ(muscles["doubleSided"], true);
    EXPECT_EQ(float(muscles["pbrMetallicRoughness"]["roughnessFactor"]), 0.52f);
    EXPECT_EQ(float(muscles["pbrMetallicRoughness"]["metallicFactor"]), 0.f);
    const auto red = baseColor(AnatomySystem::muscular).red;
    EXPECT_EQ(float(muscles["pbrMetallicRoughness"]["baseColorFactor"][0]), red);
    EXPECT_EQ(float(muscles["pbrMetallicRoughness"]["baseColorFactor"][3]), 1.f);
    EXPECT_EQ(doc["materials"][1]["name"], "Scheletro");
    EXPECT_EQ(float(doc["materials"][1]["pbrMetallicRoughness"]["roughnessFactor"]), 0.38f);
    std::vector<int> used;
    for (const auto& mesh : doc["meshes"])
        used.push_back(mesh["primitives"][0]["material"]);
    EXPECT_EQ(used, (std::vector<int> {0, 0, 0, 1}));

    auto uncolored = parseGLB(GLTFExporter::exportGLB(*pack, all, {}, plain)->data).json;
    EXPECT_FALSE(uncolored.contains("materials"));
    for (const auto& mesh : uncolored["meshes"])
        EXPECT_FALSE(mesh["primitives"][0].contains("material"));
}

TEST(GLTFExporter, refusesValuesThatAreNotFinite)
{
    TemporaryFolder folder;
    constexpr float infinity = std::numeric_limits<float>::infinity();
    auto pack = packOf(folder,
        {stripMesh("a", "A"), meshWith("far", {{0, 0, 0}, {infinity, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})});
    const std::vector<std::int64_t> first {0}, both {0, 1};
    EXPECT_TRUE(GLTFExporter::exportGLB(*pack, first, {}, plain));
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, both, {}, plain));
    // A non-finite scale, or a centre pulled to infinity by another structure's bounds.
    auto nanScale = plain;
    nanScale.scale = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, first, {}, nanScale));
    auto centred = plain;
    centred.centered = true;
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, both, {}, centred));
}

TEST(GLTFExporter, refusesFilesLargerThanTheLimit)
{
    TemporaryFolder folder;
    auto pack = packOf(folder, {stripMesh("a", "A", 40), stripMesh("b", "B", 40)});
    const auto all = allStructures(*pack);
    auto full = GLTFExporter::exportGLB(*pack, all, {}, plain);
    ASSERT_TRUE(full);
    const auto size = full->data.size();
    EXPECT_TRUE(GLTFExporter::exportGLB(*pack, all, {}, plain, size));
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, all, {}, plain, size - 1)); // the JSON tips it over
    EXPECT_FALSE(GLTFExporter::exportGLB(*pack, all, {}, plain, size / 2)); // the BIN data alone does
}

namespace {

std::optional<std::filesystem::path> programOnPath(std::string_view name)
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        auto colon = rest.find(':');
        std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / name;
        if (!candidate.parent_path().empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
    }
    return std::nullopt;
}

std::filesystem::path validatorFolder()
{
    const char* source = std::getenv("MORVENA_SOURCE_DIR");
    auto root = source ? std::filesystem::path(source)
                       : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    return root / "Tests" / "Tools" / "gltf-validator";
}

std::string quoted(const std::filesystem::path& path)
{
    std::string text = "'";
    for (char c : path.string())
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

// Runs the command, returning its exit status and everything it printed.
std::pair<int, std::string> run(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return {-1, "popen failed"};
    char buffer[4096];
    while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, read);
    int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

} // namespace

TEST(GLTFExporter, filesPassTheKhronosValidator)
{
    auto node = programOnPath("node");
    if (!node)
        node = programOnPath("nodejs");
    if (!node)
        GTEST_SKIP() << "Node.js is not installed";
    const auto tools = validatorFolder();
    ASSERT_TRUE(std::filesystem::exists(tools / "node_modules" / "gltf-validator"))
        << "the glTF validator is missing: run scripts/setup.sh (npm ci in " << tools << ")";

    TemporaryFolder folder;
    std::vector<MeshPackBuilder::Mesh> meshes;
    meshes.push_back(stripMesh("bone", "Femore", 30, {}, AnatomySystem::skeletal));
    meshes.push_back(stripMesh("muscle", "Bicipite", 12, {3, 1, 0}, AnatomySystem::muscular));
    meshes.push_back(stripMesh("nerve", "Nervo àèìòù", 5, {-2, 4, 1}, AnatomySystem::nervous));
    const std::vector<Float3> quad {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    meshes.push_back(meshWith("lod", quad, {{0, 1, 2, 1, 3, 2}, {0, 3, 2}}, AnatomySystem::arterial));
    auto pack = packOf(folder, std::move(meshes));
    const auto all = allStructures(*pack);

    std::vector<std::filesystem::path> files;
    auto write = [&](const std::string& name, const GLTFExporter::Options& options) {
        auto result = GLTFExporter::exportGLB(*pack, all, {{1, "Muscolo \"bicipite\""}}, options);
        ASSERT_TRUE(result);
        files.push_back(folder / name);
        AtomicFile::write(files.back(),
            std::string_view(reinterpret_cast<const char*>(result->data.data()), result->data.size()));
    };
    write("plain.glb", plain);
    write("colored.glb", {.lod = 0, .coloredMaterials = true, .scale = 0.001f, .centered = true});
    write("coarse.glb", {.lod = 2, .coloredMaterials = true, .scale = 1, .centered = false});

    std::string command = quoted(*node) + " " + quoted(tools / "validate.js");
    for (const auto& file : files)
        command += " " + quoted(file);
    auto [status, output] = run(command);
    EXPECT_EQ(status, 0) << output;
}

TEST(GLTFExporter, reloadsThroughTheGLTFLoaderWithTheSamePositionsAndIndices)
{
    TemporaryFolder folder;
    std::vector<MeshPackBuilder::Mesh> meshes;
    meshes.push_back(stripMesh("a", "Femore", 9, {4, -3, 2}));
    meshes.push_back(stripMesh("b", "Tibia", 4, {-7, 1, 0.5f}, AnatomySystem::muscular));
    auto pack = packOf(folder, std::move(meshes));
    const std::vector<std::int64_t> order {1, 0};
    const GLTFExporter::Options options {.lod = 0, .coloredMaterials = true, .scale = 2.5f, .centered = true};
    auto result = GLTFExporter::exportGLB(*pack, order, {}, options);
    ASSERT_TRUE(result);
    AtomicFile::write(folder / "export.glb",
        std::string_view(reinterpret_cast<const char*>(result->data.data()), result->data.size()));

    auto reloaded = GLTFLoader::load(folder / "export.glb");
    ASSERT_EQ(reloaded.size(), 2u);
    const Float3 center = (pack->boundsMin() + pack->boundsMax()) * 0.5f;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto& record = pack->structures()[std::size_t(order[k])];
        const auto& mesh = reloaded[k];
        EXPECT_EQ(mesh.name, pack->name(order[k]));
        // Each pack vertex in order of first use, centred and scaled.
        std::vector<std::uint32_t> firstUse;
        std::vector<std::uint32_t> expectedIndices;
        for (auto index : pack->indices().subspan(record.lod0Start, record.lod0Count)) {
            auto found = std::ranges::find(firstUse, index);
            expectedIndices.push_back(std::uint32_t(found - firstUse.begin()));
            if (found == firstUse.end())
                firstUse.push_back(index);
        }
        EXPECT_EQ(mesh.indices, expectedIndices);
        ASSERT_EQ(mesh.positions.size(), firstUse.size());
        for (std::size_t v = 0; v < firstUse.size(); ++v) {
            const Float3 expected = (pack->vertices()[firstUse[v]].position() - center) * 2.5f;
            EXPECT_EQ(mesh.positions[v], (Float3 {expected.x, expected.y, expected.z}));
            EXPECT_EQ(mesh.normals[v], (Float3 {0, 0, 1}));
        }
    }
}
