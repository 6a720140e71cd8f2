#include "PackTestSupport.h"
#include "TemporaryFolder.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyCore/Pack/MeshPackError.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>

using namespace morvena;
using namespace morvena::test;

namespace {

// Each structure's name or concept ID, in structure order.
std::vector<std::string> inPackOrder(const MeshPack& pack, std::string (MeshPack::*text)(std::int64_t) const)
{
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < pack.structureCount(); ++i)
        texts.push_back((pack.*text)(static_cast<std::int64_t>(i)));
    return texts;
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        entries.push_back(entry.path().filename().string());
    std::ranges::sort(entries);
    return entries;
}

} // namespace

TEST(MeshPackBuilder, emptyBuilderWritesTheSmallestPack)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    builder.write(folder / "geometry.mrvpack", "Atlante", "CC BY");

    auto bytes = readFile(folder / "geometry.mrvpack");
    ASSERT_EQ(bytes.size(), 32768u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("MRVPACK\0", 8));
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::version), 1u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::structureCount), 0u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::lodCount), 1u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::vertexCount), 0u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::indexCount), 0u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(fieldAt<float>(bytes, HeaderField::boundsMin + 4 * i), 0.f);
    for (auto field : {HeaderField::structuresOffset, HeaderField::verticesOffset, HeaderField::indicesOffset,
             HeaderField::stringsOffset})
        EXPECT_EQ(fieldAt<std::uint64_t>(bytes, field), 16384u);
    const std::string table("\0Atlante\0CC BY\0", 15);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::stringsLength), table.size());
    EXPECT_EQ(bytes.substr(16384, table.size()), table);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::datasetName), 1u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::attribution), 9u);
    // Reserved header bytes and every gap are zero.
    EXPECT_EQ(bytes.substr(96, 16384 - 96), std::string(16384 - 96, '\0'));
    EXPECT_EQ(bytes.substr(16384 + table.size()), std::string(16384 - table.size(), '\0'));

    MeshPack pack(folder / "geometry.mrvpack");
    EXPECT_EQ(pack.datasetName(), "Atlante");
    EXPECT_EQ(pack.attribution(), "CC BY");
    EXPECT_EQ(pack.structureCount(), 0u);
    EXPECT_EQ(pack.triangleCount(), 0u);
    EXPECT_EQ(pack.center(), Float3 {});
    EXPECT_EQ(pack.radius(), 0.f);

    // Empty dataset texts add nothing to the string table.
    MeshPackBuilder fresh;
    fresh.write(folder / "vuoto.mrvpack", "", "");
    bytes = readFile(folder / "vuoto.mrvpack");
    EXPECT_EQ(bytes.size(), 32768u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::stringsLength), 1u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::datasetName), 0u);
    EXPECT_EQ(fieldAt<std::uint32_t>(bytes, HeaderField::attribution), 0u);
}

TEST(MeshPackBuilder, roundTripKeepsGeometryRunsAndBounds)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    auto femur = stripMesh("FMA1", "Femore", 2, {10, 0, 0});
    femur.normals.resize(1); // the rest get the default normal
    femur.lodIndices.push_back({});
    femur.lodIndices.push_back({0, 1, 2});
    auto skull = stripMesh("FMA2", "Cranio", 1, {-5, -1, -2});
    skull.lodIndices.push_back({0, 2, 1});
    builder.add(femur);
    builder.add(skull);
    builder.sortForLocality();
    EXPECT_EQ(builder.structureCount(), 2u);
    EXPECT_EQ(builder.totalVertices(), 7u);
    EXPECT_EQ(builder.totalIndices(), 6u + 0 + 3 + 3 + 3);
    builder.write(folder / "p.mrvpack", "Atlante", "Femore");

    MeshPack pack(folder / "p.mrvpack");
    ASSERT_EQ(inPackOrder(pack, &MeshPack::name), (std::vector<std::string> {"Cranio", "Femore"}));
    EXPECT_EQ(pack.lodCount(), 3u);
    EXPECT_EQ(pack.vertexCount(), 7u);
    EXPECT_EQ(pack.indexCount(), 15u);
    EXPECT_EQ(pack.byteCount() % 16384, 0u);
    EXPECT_EQ(pack.triangleCount(), 3u);
    EXPECT_EQ(pack.indexCountForLOD(1), 3u);
    EXPECT_EQ(pack.indexCountForLOD(2), 3u);
    EXPECT_EQ(pack.indexCountForLOD(5), 0u);
    // A dataset text equal to a structure's name shares its offset.
    EXPECT_EQ(pack.attribution(), "Femore");

    const auto& cranio = pack.structures()[0];
    const auto& femore = pack.structures()[1];
    EXPECT_EQ(cranio.system, rawValue(AnatomySystem::skeletal));
    EXPECT_EQ(cranio.region, rawValue(BodyRegion::head));
    EXPECT_EQ(cranio.vertexStart, 0u);
    EXPECT_EQ(femore.vertexStart, 3u);
    EXPECT_EQ(femore.vertexCount, 4u);
    EXPECT_EQ(cranio.boundsMin(), (Float3 {-5, -1, -2}));
    EXPECT_EQ(cranio.boundsMax(), (Float3 {-4, 0, -2}));
    EXPECT_EQ(cranio.center(), (Float3 {-4.5f, -0.5f, -2}));
    EXPECT_FLOAT_EQ(cranio.radius, 0.5f * std::sqrt(2.f));
    EXPECT_EQ(pack.boundsMin(), (Float3 {-5, -1, -2}));
    EXPECT_EQ(pack.boundsMax(), (Float3 {11, 1, 0}));

    // Level blocks: level 0 of both, then level 1 (only the skull), then level 2.
    EXPECT_EQ(cranio.lod0Start, 0u);
    EXPECT_EQ(femore.lod0Start, 3u);
    EXPECT_EQ(cranio.lod1Start, 9u);
    EXPECT_EQ(cranio.lod1Count, 3u);
    // An empty run starts at its level's block, also after another structure's run.
    EXPECT_EQ(femore.lod1Start, 9u);
    EXPECT_EQ(femore.lod1Count, 0u);
    EXPECT_EQ(femore.lod2Start, 12u);
    EXPECT_EQ(femore.lod2Count, 3u);
    EXPECT_EQ(cranio.lod2Start, 12u); // empty run: first index of level 2's block
    EXPECT_EQ(cranio.lod3Start, 15u);
    EXPECT_EQ(femore.lod3Start, 15u);
    std::vector<std::uint32_t> indices(pack.indices().begin(), pack.indices().end());
    EXPECT_EQ(indices, (std::vector<std::uint32_t> {0, 1, 2, 3, 4, 5, 4, 5, 6, 0, 2, 1, 3, 4, 5}));

    auto vertices = pack.vertices();
    EXPECT_EQ(vertices[3].normal(), (Float3 {0, 0, 1}));
    EXPECT_EQ(vertices[4].normal(), (Float3 {0, 1, 0}));
    EXPECT_EQ(vertices[6].position(), (Float3 {11, 1, 0}));
    EXPECT_EQ(vertices[2].structureIndex, 0u);
    EXPECT_EQ(vertices[3].structureIndex, 1u);
    EXPECT_EQ(pack.indexByConceptID().at("FMA1"), 1);
}

TEST(MeshPackBuilder, sortIsStableBySystemRegionAndName)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    builder.add(stripMesh("b", "B", 1, {}, AnatomySystem::muscular));
    builder.add(stripMesh("z", "Z", 1, {}, AnatomySystem::skeletal));
    builder.add(stripMesh("a1", "A", 1, {}, AnatomySystem::skeletal));
    builder.add(stripMesh("a2", "A", 1, {}, AnatomySystem::skeletal));
    builder.add(stripMesh("neck", "A", 1, {}, AnatomySystem::skeletal, BodyRegion::neck));
    builder.sortForLocality();
    builder.write(folder / "p.mrvpack", "", "");

    MeshPack pack(folder / "p.mrvpack");
    auto concepts = inPackOrder(pack, &MeshPack::conceptID);
    EXPECT_EQ(concepts, (std::vector<std::string> {"a1", "a2", "z", "neck", "b"}));
    // The two equal names share one string.
    EXPECT_EQ(pack.structures()[0].nameOffset, pack.structures()[1].nameOffset);
}

TEST(MeshPackBuilder, namesCompareByCanonicalScalarValues)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    const std::string composed = "\xC3\xA9"; // é
    const std::string decomposed = "e\xCC\x81"; // e + combining acute
    builder.add(stripMesh("1", "b"));
    builder.add(stripMesh("2", decomposed));
    builder.add(stripMesh("3", "a"));
    builder.add(stripMesh("4", composed));
    builder.add(stripMesh("5", "Z"));
    builder.sortForLocality();
    builder.write(folder / "p.mrvpack", composed, "");

    MeshPack pack(folder / "p.mrvpack");
    auto concepts = inPackOrder(pack, &MeshPack::conceptID);
    // Equivalent forms sort as equal (keeping their order), after every ASCII letter.
    EXPECT_EQ(concepts, (std::vector<std::string> {"5", "3", "1", "2", "4"}));
    // ... and intern as one string, stored in the form seen first.
    EXPECT_EQ(pack.structures()[3].nameOffset, pack.structures()[4].nameOffset);
    EXPECT_EQ(pack.name(4), decomposed);
    EXPECT_EQ(pack.datasetName(), decomposed);
}

TEST(MeshPackBuilder, addDropsMeshesWithoutUsableLevelZero)
{
    MeshPackBuilder builder;
    auto noPositions = stripMesh("a", "a");
    noPositions.positions.clear();
    auto noLevels = stripMesh("b", "b");
    noLevels.lodIndices.clear();
    auto emptyLevelZero = stripMesh("c", "c");
    emptyLevelZero.lodIndices[0].clear();
    emptyLevelZero.lodIndices.push_back({0, 1, 2});
    auto partialTriangle = stripMesh("d", "d");
    partialTriangle.lodIndices[0].push_back(0);
    auto pastPositions = stripMesh("e", "e");
    pastPositions.lodIndices[0][2] = 3;
    for (auto* mesh : {&noPositions, &noLevels, &emptyLevelZero, &partialTriangle, &pastPositions})
        builder.add(*mesh);
    EXPECT_EQ(builder.structureCount(), 0u);
    EXPECT_EQ(builder.totalVertices(), 0u);
}

TEST(MeshPackBuilder, unusableHigherLevelsAreLeftOutAndExtraLevelsIgnored)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    auto mesh = stripMesh("a", "a", 2);
    mesh.lodIndices.push_back({0, 1, 9}); // past the positions
    mesh.lodIndices.push_back({0, 1}); // not whole triangles
    mesh.lodIndices.push_back({1, 2, 3}); // fine
    mesh.lodIndices.push_back({0, 1, 2, 3}); // fifth list: ignored, never checked
    builder.add(mesh);
    ASSERT_EQ(builder.structureCount(), 1u);
    EXPECT_EQ(builder.totalIndices(), 6u + 3 + 4);
    builder.write(folder / "p.mrvpack", "", "");

    MeshPack pack(folder / "p.mrvpack");
    const auto& record = pack.structures()[0];
    EXPECT_EQ(pack.lodCount(), 4u);
    EXPECT_EQ(record.lod1Count, 0u);
    EXPECT_EQ(record.lod2Count, 0u);
    EXPECT_EQ(record.lod3Count, 3u);
    EXPECT_EQ(pack.indexCount(), 9u);
    EXPECT_EQ(record.resolvedLOD(2), 0);
}

TEST(MeshPackBuilder, storedIndicesAreAbsolute)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    builder.add(stripMesh("a", "a", 998)); // 1000 vertices
    builder.add(stripMesh("b", "b", 1));
    builder.sortForLocality();
    builder.write(folder / "p.mrvpack", "", "");
    MeshPack pack(folder / "p.mrvpack");
    const auto& b = pack.structures()[1];
    ASSERT_EQ(b.vertexStart, 1000u);
    auto run = pack.indices().subspan(b.lod0Start, b.lod0Count);
    EXPECT_EQ(
        std::vector<std::uint32_t>(run.begin(), run.end()), (std::vector<std::uint32_t> {1000, 1001, 1002}));
}

TEST(MeshPackBuilder, sectionsEndingOnABoundaryAreFollowedDirectly)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    // 2048 records of 104 bytes and 6144 vertices of 32 bytes fill whole 16 KiB blocks.
    for (int i = 0; i < 2048; ++i)
        builder.add(stripMesh("c" + std::to_string(i), "n" + std::to_string(i)));
    builder.write(folder / "p.mrvpack", "", "");
    auto bytes = readFile(folder / "p.mrvpack");
    EXPECT_EQ(fieldAt<std::uint64_t>(bytes, HeaderField::verticesOffset), 16384u + 104u * 2048);
    EXPECT_EQ(fieldAt<std::uint64_t>(bytes, HeaderField::indicesOffset), 16384u + 104u * 2048 + 32u * 6144);
    EXPECT_EQ(fieldAt<std::uint64_t>(bytes, HeaderField::stringsOffset), 16384u * 28);
    EXPECT_NO_THROW(MeshPack(folder / "p.mrvpack"));
}

TEST(MeshPackBuilder, boxesIgnoreNaNComponents)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    auto mesh = stripMesh("a", "a");
    mesh.positions[1].x = std::nanf("");
    mesh.positions[2].y = std::nanf("");
    builder.add(mesh);
    builder.write(folder / "p.mrvpack", "", "");
    MeshPack pack(folder / "p.mrvpack");
    EXPECT_EQ(pack.structures()[0].boundsMin(), (Float3 {0, 0, 0}));
    EXPECT_EQ(pack.structures()[0].boundsMax(), (Float3 {1, 1, 0}));
}

TEST(MeshPackBuilder, writingAgainOnAnyNumberOfThreadsGivesTheSameBytesAndCreatesFolders)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    for (int mesh = 0; mesh < 40; ++mesh) {
        auto strip = stripMesh("FMA" + std::to_string(mesh), "Osso " + std::to_string(mesh), 3 + mesh % 7);
        strip.lodIndices.resize(1 + mesh % 4, strip.lodIndices[0]);
        builder.add(std::move(strip));
    }
    builder.sortForLocality();
    auto target = folder / "datasets" / "nuovo" / "geometry.mrvpack";
    builder.write(target, "Atlante", "CC");
    auto first = readFile(target);
    EXPECT_EQ(MeshPack(target).structureCount(), 40u);
    for (unsigned threads : {1u, 3u, 64u}) {
        builder.write(target, "Atlante", "CC", threads);
        EXPECT_TRUE(readFile(target) == first) << threads;
    }
    // A builder that is done with frees its meshes as they are written.
    std::move(builder).write(target, "Atlante", "CC", 3);
    EXPECT_TRUE(readFile(target) == first);
    EXPECT_EQ(builder.structureCount(), 0u); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(folderEntries(target.parent_path()), (std::vector<std::string> {"geometry.mrvpack"}));
}

TEST(MeshPackBuilder, replacingAPackLeavesAnOpenMappingIntact)
{
    TemporaryFolder folder;
    auto target = folder / "geometry.mrvpack";
    MeshPackBuilder first;
    first.add(stripMesh("old", "Vecchio", 5));
    first.write(target, "Vecchio", "");
    MeshPack mapped(target);

    MeshPackBuilder second;
    second.write(target, "Nuovo", "");
    EXPECT_EQ(mapped.name(0), "Vecchio");
    EXPECT_EQ(mapped.triangleCount(), 5u);
    EXPECT_EQ(MeshPack(target).datasetName(), "Nuovo");
}

TEST(MeshPackBuilder, failedWritesLeaveThePreviousFileAndNoTemporaries)
{
    TemporaryFolder folder;
    auto target = folder / "geometry.mrvpack";
    MeshPackBuilder small;
    small.write(target, "Piccolo", "");
    auto previous = readFile(target);

    MeshPackBuilder large;
    large.add(stripMesh("a", "a", 5000));
    // A file size limit makes the write itself fail half-way (EFBIG).
    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 40000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    EXPECT_THROW(large.write(target, "Grande", ""), std::system_error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    EXPECT_EQ(readFile(target), previous);
    EXPECT_EQ(folderEntries(folder.path()), (std::vector<std::string> {"geometry.mrvpack"}));

    // A folder in the way of the file, and a file in the way of the folder.
    std::filesystem::create_directory(folder / "cartella.mrvpack");
    EXPECT_THROW(small.write(folder / "cartella.mrvpack", "", ""), std::system_error);
    EXPECT_EQ(
        folderEntries(folder.path()), (std::vector<std::string> {"cartella.mrvpack", "geometry.mrvpack"}));
    EXPECT_THROW(small.write(target / "sotto.mrvpack", "", ""), std::system_error);
    EXPECT_EQ(readFile(target), previous);
}
