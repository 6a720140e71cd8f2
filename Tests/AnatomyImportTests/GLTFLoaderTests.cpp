#include "AnatomyImport/Readers/GLTFLoader.h"

#include "AnatomyImport/Readers/Internal/ByteBudget.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>

using namespace morvena;
using nlohmann::json;
using Indices = std::vector<std::uint32_t>;
using Kind = GLTFLoader::Failure::Kind;

namespace {

void appendLE32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>(value >> shift));
}

// A glTF document with one binary buffer that accessors are appended to.
struct Asset {
    json root = {{"asset", {{"version", "2.0"}}}, {"buffers", json::array({json::object()})},
        {"bufferViews", json::array()}, {"accessors", json::array()}};
    std::string bin;

    int addView(std::string_view bytes, std::optional<int> stride = std::nullopt)
    {
        while (bin.size() % 4)
            bin.push_back('\0');
        json view = {{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", bytes.size()}};
        if (stride)
            view["byteStride"] = *stride;
        bin.append(bytes);
        root["bufferViews"].push_back(view);
        return static_cast<int>(root["bufferViews"].size() - 1);
    }

    int addAccessor(int view, std::size_t count, int componentType, const char* type)
    {
        root["accessors"].push_back(
            {{"bufferView", view}, {"count", count}, {"componentType", componentType}, {"type", type}});
        return static_cast<int>(root["accessors"].size() - 1);
    }

    int addVectors(const std::vector<Float3>& values)
    {
        std::string bytes(values.size() * 12, '\0');
        std::memcpy(bytes.data(), values.data(), bytes.size());
        return addAccessor(addView(bytes), values.size(), 5126, "VEC3");
    }

    template <typename T> int addIndices(const std::vector<T>& values)
    {
        std::string bytes(values.size() * sizeof(T), '\0');
        std::memcpy(bytes.data(), values.data(), bytes.size());
        const int type = sizeof(T) == 1 ? 5121 : sizeof(T) == 2 ? 5123 : 5125;
        return addAccessor(addView(bytes), values.size(), type, "SCALAR");
    }

    // A mesh of one primitive; returns the mesh index.
    int addMesh(const std::string& name, const std::vector<Float3>& positions,
        std::optional<Indices> indices = Indices {0, 1, 2}, const std::vector<Float3>& normals = {})
    {
        json primitive = {{"attributes", {{"POSITION", addVectors(positions)}}}};
        if (!normals.empty())
            primitive["attributes"]["NORMAL"] = addVectors(normals);
        if (indices)
            primitive["indices"] = addIndices(*indices);
        json mesh = {{"primitives", json::array({primitive})}};
        if (!name.empty())
            mesh["name"] = name;
        root["meshes"].push_back(mesh);
        return static_cast<int>(root["meshes"].size() - 1);
    }

    // The container around the document, by default the asset's own.
    std::string glb(std::optional<std::string> document = std::nullopt) const
    {
        std::string text = document.value_or(root.dump());
        while (text.size() % 4)
            text.push_back(' ');
        std::string paddedBin = bin;
        while (paddedBin.size() % 4)
            paddedBin.push_back('\0');
        std::string out = "glTF";
        appendLE32(out, 2);
        appendLE32(out, static_cast<std::uint32_t>(12 + 8 + text.size() + 8 + paddedBin.size()));
        appendLE32(out, static_cast<std::uint32_t>(text.size()));
        appendLE32(out, 0x4E4F534A);
        out += text;
        appendLE32(out, static_cast<std::uint32_t>(paddedBin.size()));
        appendLE32(out, 0x004E4942);
        out += paddedBin;
        return out;
    }
};

std::string base64(const std::string& bytes)
{
    static constexpr std::string_view alphabet
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t take = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t bits = 0;
        for (std::size_t k = 0; k < 3; ++k)
            bits = bits << 8 | (k < take ? static_cast<std::uint8_t>(bytes[i + k]) : 0);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= take ? alphabet[(bits >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

const std::vector<Float3> triangle {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

struct Loader {
    test::TemporaryFolder folder;
    std::vector<RawMesh> load(const std::string& bytes, const std::string& name = "model.glb")
    {
        test::writeFile(folder / name, bytes);
        return GLTFLoader::load(folder / name);
    }
    // The failure's kind and detail, or nothing when the load succeeds.
    std::optional<std::pair<Kind, std::string>> failure(
        const std::string& bytes, const std::string& name = "model.glb")
    {
        try {
            load(bytes, name);
            return std::nullopt;
        } catch (const GLTFLoader::Failure& failure) {
            return std::pair(failure.kind(), failure.detail());
        }
    }
};

void expectNear(const Float3& actual, const Float3& expected)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(actual[k], expected[k], 1e-5) << k;
}

} // namespace

TEST(GLBContainer, roundTripsMeshesWithEveryIndexWidth)
{
    Asset asset;
    const std::vector<Float3> quad {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::vector<Float3> normals(4, Float3 {0, 0, 1});
    json primitives = json::array();
    primitives.push_back(
        {{"attributes", {{"POSITION", asset.addVectors(quad)}, {"NORMAL", asset.addVectors(normals)}}},
            {"indices", asset.addIndices(std::vector<std::uint8_t> {0, 1, 2})}});
    primitives.push_back({{"attributes", {{"POSITION", asset.addVectors(quad)}}},
        {"indices", asset.addIndices(std::vector<std::uint16_t> {0, 2, 3})}});
    primitives.push_back({{"attributes", {{"POSITION", asset.addVectors(quad)}}}, {"mode", 4},
        {"indices", asset.addIndices(std::vector<std::uint32_t> {3, 2, 1})}});
    asset.root["meshes"] = json::array({{{"name", "Femur"}, {"primitives", primitives}}});

    Loader loader;
    auto meshes = loader.load(asset.glb());
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].name, "Femur");
    EXPECT_EQ(meshes[0].positions.size(), 12u);
    EXPECT_EQ(std::vector<Float3>(meshes[0].positions.begin(), meshes[0].positions.begin() + 4), quad);
    EXPECT_EQ(meshes[0].normals, normals); // only the first primitive brought normals
    EXPECT_EQ(meshes[0].indices, (Indices {0, 1, 2, 4, 6, 7, 11, 10, 9}));
}

TEST(GLBContainer, malformedContainersFailWithTheirOwnTexts)
{
    Loader loader;
    EXPECT_EQ(loader.failure(std::string("glTF\2\0\0\0\14\0\0\0", 12)),
        std::pair(Kind::badGLB, std::string("chunk JSON assente")));

    std::string pastEnd("glTF\2\0\0\0\0\0\0\0", 12);
    appendLE32(pastEnd, 100);
    appendLE32(pastEnd, 0x4E4F534A);
    pastEnd += "{}";
    EXPECT_EQ(loader.failure(pastEnd), std::pair(Kind::badGLB, std::string("chunk fuori dai limiti")));

    std::string notObject("glTF\2\0\0\0\0\0\0\0", 12);
    appendLE32(notObject, 4);
    appendLE32(notObject, 0x4E4F534A);
    notObject += "[1] ";
    EXPECT_EQ(loader.failure(notObject), std::pair(Kind::badGLB, std::string("chunk JSON assente")));

    EXPECT_EQ(
        loader.failure("[1, 2]", "model.gltf"), std::pair(Kind::badJSON, std::string("radice non valida")));
    EXPECT_EQ(loader.failure("", "model.gltf"), std::pair(Kind::badJSON, std::string("radice non valida")));
    EXPECT_EQ(
        loader.failure("{\"a\": ", "model.gltf"), std::pair(Kind::badJSON, std::string("radice non valida")));
}

TEST(GLBContainer, chunksArePaddedAndTheLastBinWinsAndUnknownTypesAreSkipped)
{
    Asset asset;
    asset.root["meshes"].push_back(json::object()); // placeholder, replaced below
    asset.root["meshes"].clear();
    asset.addMesh("m", {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}});
    std::string text = asset.root.dump();
    while (text.size() % 4)
        text.push_back(' ');

    std::string glb("glTF\2\0\0\0\0\0\0\0", 12);
    appendLE32(glb, 5); // an unknown chunk of length 5: the next starts 16 bytes later
    appendLE32(glb, 0x12345678);
    glb += std::string("\1\2\3\4\5\0\0\0", 8);
    appendLE32(glb, static_cast<std::uint32_t>(text.size()));
    appendLE32(glb, 0x4E4F534A);
    glb += text;
    appendLE32(glb, static_cast<std::uint32_t>(asset.bin.size()));
    appendLE32(glb, 0x004E4942);
    glb += asset.bin; // positions of 9s
    std::string second = asset.bin;
    const float one = 1;
    std::memcpy(second.data(), &one, 4);
    appendLE32(glb, static_cast<std::uint32_t>(second.size()));
    appendLE32(glb, 0x004E4942);
    glb += second;
    glb += "xyz"; // fewer than 8 trailing bytes end the walk

    Loader loader;
    auto meshes = loader.load(glb);
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].positions[0], (Float3 {1, 9, 9}));
}

TEST(GLBContainer, everyTruncatedPrefixFailsCleanlyOrLoadsInBounds)
{
    Asset asset;
    asset.addMesh("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, Indices {0, 1, 2, 2, 1, 3});
    asset.root["nodes"] = json::array({{{"mesh", 0}, {"name", "n"}}});
    const std::string whole = asset.glb();
    Loader loader;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        try {
            for (const auto& mesh : loader.load(whole.substr(0, length))) {
                for (auto index : mesh.indices)
                    ASSERT_LT(index, mesh.positions.size());
            }
        } catch (const GLTFLoader::Failure&) {
        }
    }
    EXPECT_EQ(loader.load(whole).size(), 1u);
}

TEST(GLTFDocuments, nestingPastTheBoundFailsBeforeAnythingParses)
{
    Asset asset;
    asset.addMesh("a", triangle);
    const auto nested = [&](std::size_t depth) {
        auto text = asset.root.dump();
        return text.erase(text.size() - 1) + R"(,"extras":)" + std::string(depth - 1, '[')
            + std::string(depth - 1, ']') + "}";
    };
    Loader loader;
    EXPECT_EQ(loader.load(asset.glb(nested(512))).size(), 1u);
    EXPECT_EQ(loader.failure(asset.glb(nested(100'000))),
        std::pair(Kind::badJSON, std::string("annidato oltre 512 livelli")));
}

TEST(GLTFBuffers, sourcesAreDataURIsExternalFilesOrTheBinChunk)
{
    Asset asset;
    asset.addMesh("", triangle);
    Loader loader;

    // Buffer 1 without a URI has no source even in a GLB.
    Asset twoBuffers = asset;
    twoBuffers.root["buffers"].push_back(json::object());
    twoBuffers.root["bufferViews"].push_back({{"buffer", 1}, {"byteLength", 4}});
    EXPECT_EQ(loader.failure(twoBuffers.glb()),
        std::pair(Kind::badJSON, std::string("buffer 1 senza uri e senza chunk BIN")));
    EXPECT_EQ(loader.failure(asset.root.dump(), "model.gltf"),
        std::pair(Kind::badJSON, std::string("buffer 0 senza uri e senza chunk BIN")));

    // Data URI: everything after the first comma is Base64.
    Asset embedded = asset;
    const std::string encoded = base64(asset.bin);
    embedded.root["buffers"][0]["uri"] = "data:application/octet-stream;base64," + encoded;
    auto meshes = loader.load(embedded.root.dump(), "embedded.gltf");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].positions, triangle);
    // Padded Base64: 43 and 44 bytes, the index accessor ending on the last byte.
    for (std::vector<std::uint8_t> indices :
        {std::vector<std::uint8_t> {0, 1, 2, 2, 1, 0, 1}, {0, 1, 2, 2, 1, 0, 1, 2}}) {
        Asset padded;
        padded.root["meshes"].push_back({{"primitives",
            json::array({{{"attributes", {{"POSITION", padded.addVectors(triangle)}}},
                {"indices", padded.addIndices(indices)}}})}});
        padded.root["buffers"][0]["uri"] = "data:," + base64(padded.bin);
        auto loaded = loader.load(padded.root.dump(), "padded.gltf");
        ASSERT_EQ(loaded.size(), 1u) << padded.bin.size();
        EXPECT_EQ(loaded[0].indices, (Indices {0, 1, 2, 2, 1, 0}));
    }
    for (const char* bad : {"data:application/octet-stream;base64", "data:,AAA", "data:,AA AA",
             "data:,A===", "data:,AAAA\nAAAA"}) {
        embedded.root["buffers"][0]["uri"] = bad;
        EXPECT_EQ(loader.failure(embedded.root.dump(), "embedded.gltf"),
            std::pair(Kind::badJSON, std::string("data URI non decodificabile")))
            << bad;
    }

    // External file, its name percent-encoded.
    Asset external = asset;
    external.root["buffers"][0]["uri"] = "sub%20dir/geometry%20data.bin";
    test::writeFile(loader.folder / "sub dir" / "geometry data.bin", asset.bin);
    meshes = loader.load(external.root.dump(), "external.gltf");
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].positions, triangle);
    external.root["buffers"][0]["uri"] = "missing.bin";
    EXPECT_EQ(loader.failure(external.root.dump(), "external.gltf"),
        std::pair(Kind::unreadable,
            (loader.folder / "missing.bin").string() + " (il file o la cartella non esiste)"));
}

// Under a budget of the document and 1.5 buffer files: a file is read once
// however many buffers name it, and a buffer no view uses is not read at all.
TEST(GLTFBuffers, eachUsedFileIsReadOnceWithinTheBudget)
{
    constexpr std::size_t fileSize = 1000;
    // The buffers' files (a view uses each but a missing one) and the file refused.
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"a.bin", "a.bin", "./a.bin", "a.bin"}, ""},
        {{"a.bin", "b.bin"}, "b.bin"},
        {{"a.bin", "assente.bin"}, ""},
    };
    for (const auto& [uris, refused] : cases) {
        Loader loader;
        Asset asset;
        asset.addMesh("", triangle);
        asset.bin.resize(fileSize);
        test::writeFile(loader.folder / "a.bin", asset.bin);
        test::writeFile(loader.folder / "b.bin", asset.bin);
        asset.root["buffers"] = json::array();
        for (std::size_t i = 0; i < uris.size(); ++i) {
            asset.root["buffers"].push_back({{"uri", uris[i]}, {"byteLength", fileSize}});
            if (i > 0 && std::filesystem::exists(loader.folder / uris[i]))
                asset.root["bufferViews"].push_back({{"buffer", i}});
        }
        const auto model = loader.folder / "model.gltf";
        test::writeFile(model, asset.root.dump());
        ByteBudget budget(std::filesystem::file_size(model) + fileSize * 3 / 2);
        try {
            EXPECT_EQ(GLTFLoader::load(model, budget).size(), 1u) << uris.back();
            EXPECT_STREQ(refused, "");
        } catch (const GLTFLoader::Failure& error) {
            EXPECT_EQ(error.detail(),
                (loader.folder / refused).string()
                    + " (i file del modello letti insieme superano metà della memoria del computer)");
        }
    }
}

TEST(GLTFBuffers, externalURIsMayNotLeaveTheModelFolder)
{
    Loader loader;
    test::writeFile(loader.folder / "outside.bin", std::string(36, '\0'));
    Asset asset;
    asset.addMesh("", triangle);
    for (const char* uri : {"../outside.bin", "inner/../../outside.bin", "%2E%2E/outside.bin", "/etc/passwd",
             "%2Fetc%2Fpasswd", "file:///etc/passwd", "http://example.com/a.bin"}) {
        asset.root["buffers"][0]["uri"] = uri;
        auto failure = loader.failure(asset.root.dump(), "inner/model.gltf");
        ASSERT_TRUE(failure) << uri;
        EXPECT_EQ(failure->first, Kind::unreadable) << uri;
    }
}

TEST(GLTFAccessors, outOfBoundsAccessorsDropOnlyTheirPrimitive)
{
    Loader loader;
    auto meshesWith = [&](const std::function<void(Asset&, json & primitive)>& spoil) {
        Asset asset;
        asset.addMesh("good", triangle);
        asset.addMesh("bad", triangle);
        spoil(asset, asset.root["meshes"][1]["primitives"][0]);
        std::vector<std::string> names;
        for (const auto& mesh : loader.load(asset.glb()))
            names.push_back(mesh.name);
        return names;
    };
    const std::vector<std::string> onlyGood {"good"};
    auto positionAccessor = [](Asset& asset, json& primitive) -> json& {
        return asset.root["accessors"][primitive["attributes"]["POSITION"].get<int>()];
    };
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) { positionAccessor(a, p)["count"] = 4; }), onlyGood);
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) { positionAccessor(a, p)["byteOffset"] = 4; }), onlyGood);
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) { positionAccessor(a, p)["count"] = 0x4000000000000000ull; }),
        onlyGood);
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) { positionAccessor(a, p)["byteOffset"] = -12; }), onlyGood);
    EXPECT_EQ(
        meshesWith([&](Asset& a, json& p) { positionAccessor(a, p)["componentType"] = 5123; }), onlyGood);
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) { positionAccessor(a, p)["bufferView"] = 99; }), onlyGood);
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) {
        a.root["bufferViews"][positionAccessor(a, p)["bufferView"].get<int>()]["byteStride"] = 4;
    }),
        onlyGood);
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) {
        a.root["bufferViews"][positionAccessor(a, p)["bufferView"].get<int>()]["byteOffset"]
            = 0xFFFFFFFFFFFFull;
    }),
        onlyGood);
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) {
        a.root["bufferViews"][positionAccessor(a, p)["bufferView"].get<int>()]["byteLength"] = 24;
    }),
        onlyGood);
    EXPECT_EQ(
        meshesWith([&](Asset& a, json& p) { a.root["accessors"][p["indices"].get<int>()]["count"] = 1000; }),
        onlyGood);
    EXPECT_EQ(meshesWith([&](Asset&, json& p) { p["indices"] = 99; }), onlyGood);
    EXPECT_EQ(meshesWith([&](Asset&, json& p) { p["mode"] = 1; }), onlyGood);
    EXPECT_EQ(meshesWith([&](Asset&, json& p) { p["attributes"].erase("POSITION"); }), onlyGood);
    // A normal accessor that does not match only drops the normals.
    EXPECT_EQ(meshesWith([&](Asset& a, json& p) {
        p["attributes"]["NORMAL"] = a.addVectors({{0, 0, 1}});
    }),
        (std::vector<std::string> {"good", "bad"}));
    EXPECT_EQ(meshesWith([&](Asset&, json& p) { p["mode"] = "lines"; }),
        (std::vector<std::string> {"good", "bad"}));
}

TEST(GLTFAccessors, indexValuesPastTheVerticesDropTheirTriangle)
{
    Asset asset;
    asset.addMesh(
        "m", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, Indices {0, 1, 2, 1, 4, 2, 2, 1, 3, 3, 1});
    Loader loader;
    auto meshes = loader.load(asset.glb());
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].indices, (Indices {0, 1, 2, 2, 1, 3}));

    // Without indices the vertices are taken in order; a trailing partial triangle
    // goes, or it would shift every triangle of the next primitive appended after it.
    Asset withoutIndices;
    const std::vector<Float3> five {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}};
    withoutIndices.addMesh("five", five, std::nullopt);
    withoutIndices.root["meshes"][0]["primitives"].push_back(
        {{"attributes", {{"POSITION", withoutIndices.addVectors(triangle)}}}});
    meshes = loader.load(withoutIndices.glb());
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].positions.size(), 8u);
    EXPECT_EQ(meshes[0].indices, (Indices {0, 1, 2, 5, 6, 7}));
}

TEST(GLTFNodes, transformsComposeAndNormalsUseTheUpperLeftMatrix)
{
    Asset asset;
    asset.addMesh("", triangle, Indices {0, 1, 2}, {{1, 1, 0}, {0, 0, 1}, {0, 0, 1}});
    const float half = std::sqrt(0.5f);
    asset.root["nodes"] = json::array({
        {{"translation", {10, 0, 0}}, {"rotation", {0, 0, half, half}}, {"scale", {2, 1, 1}},
            {"children", {1, 2}}},
        {{"mesh", 0}, {"name", "trs"}},
        {{"mesh", 0}, {"name", "matrix"}, {"translation", {100, 100, 100}},
            {"matrix", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1}}},
    });
    asset.root["scenes"] = json::array({{{"nodes", {0}}}});
    Loader loader;
    auto meshes = loader.load(asset.glb());
    ASSERT_EQ(meshes.size(), 2u);
    // T * R(90 degrees about z) * S(2, 1, 1): x -> (0, 2, 0), y -> (-1, 0, 0), then +10 in x.
    EXPECT_EQ(meshes[0].name, "trs");
    expectNear(meshes[0].positions[1], {10, 2, 0});
    expectNear(meshes[0].positions[2], {9, 0, 0});
    // The normal (1, 1, 0) becomes (-1, 2, 0) normalised: unit length, not perpendicular to the stretched
    // face.
    expectNear(meshes[0].normals[0], {-1 / std::sqrt(5.f), 2 / std::sqrt(5.f), 0});
    EXPECT_EQ(meshes[1].name, "matrix");
    expectNear(meshes[1].positions[1], {10, 2, 5}); // the matrix wins over the translation
}

TEST(GLTFNodes, namesInheritFromTheNearestNamedAncestorThenTheMesh)
{
    Asset asset;
    asset.addMesh("meshName", triangle);
    asset.root["nodes"] = json::array(
        {{{"name", "A"}, {"children", {1}}}, {{"mesh", 0}}, {{"children", {3}}}, {{"mesh", 0}}});
    asset.root["scenes"] = json::array({{{"nodes", {2}}}, {{"nodes", {0}}}});
    Loader loader;
    asset.root["scene"] = 1;
    auto named = loader.load(asset.glb());
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].name, "A");
    asset.root["scene"] = 0;
    auto unnamed = loader.load(asset.glb());
    ASSERT_EQ(unnamed.size(), 1u);
    EXPECT_EQ(unnamed[0].name, "meshName");
}

TEST(GLTFNodes, sceneChoiceAndFallbacks)
{
    Asset asset;
    asset.addMesh("m0", triangle);
    asset.addMesh("m1", triangle);
    Loader loader;
    auto names = [&](const Asset& a) {
        std::vector<std::string> result;
        for (const auto& mesh : loader.load(a.glb()))
            result.push_back(mesh.name);
        return result;
    };
    EXPECT_EQ(names(asset), (std::vector<std::string> {"m0", "m1"})); // no nodes: every mesh

    // No scenes: every node is a root, so node 1 is met under node 0 and again on its own.
    asset.root["nodes"] = json::array({{{"translation", {5, 0, 0}}, {"children", {1}}}, {{"mesh", 1}}});
    auto meshes = loader.load(asset.glb());
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0].positions[0], (Float3 {5, 0, 0}));
    EXPECT_EQ(meshes[1].positions[0], (Float3 {0, 0, 0}));

    asset.root["scenes"] = json::array({{{"nodes", json::array()}}});
    EXPECT_TRUE(names(asset).empty()); // an empty scene yields nothing
    asset.root["scene"] = 7; // past the end: every node again
    EXPECT_EQ(names(asset).size(), 2u);
    asset.root["scene"] = -1;
    EXPECT_EQ(names(asset).size(), 2u);
}

TEST(GLTFNodes, cyclesAndSharedChildrenTerminate)
{
    Asset asset;
    asset.addMesh("m", triangle);
    asset.root["nodes"] = json::array({{{"mesh", 0}, {"children", {0, 1}}}, {{"children", {0}}}});
    asset.root["scenes"] = json::array({{{"nodes", {0}}}});
    Loader loader;
    EXPECT_EQ(loader.load(asset.glb()).size(), 1u);

    // Forty levels, each node listing the next one twice: 2^40 paths.
    json nodes = json::array();
    for (int level = 0; level < 40; ++level)
        nodes.push_back({{"mesh", 0}, {"children", {level + 1, level + 1}}});
    nodes.push_back({{"mesh", 0}});
    asset.root["nodes"] = nodes;
    auto meshes = loader.load(asset.glb());
    EXPECT_GT(meshes.size(), 1000u);
    EXPECT_LE(meshes.size(), std::size_t {1} << 20);
}
