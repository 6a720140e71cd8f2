#include "PackTestSupport.h"
#include "TemporaryFolder.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyCore/Pack/MeshPackError.h"
#include "AnatomyCore/Pack/PackStructure.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <tuple>

using namespace morvena;
using namespace morvena::test;

namespace {

// Two structures over three levels, so every record field and section matters.
std::string validPackBytes(const TemporaryFolder& folder)
{
    MeshPackBuilder builder;
    auto first = stripMesh("FMA1", "Primo", 4);
    first.lodIndices.push_back({0, 1, 2});
    first.lodIndices.push_back({});
    first.lodIndices.push_back({1, 2, 3});
    builder.add(first);
    builder.add(stripMesh("FMA2", "Secondo", 2, {5, 5, 5}));
    builder.sortForLocality();
    builder.write(folder / "valid.mrvpack", "Atlante", "Attribuzione");
    return readFile(folder / "valid.mrvpack");
}

MeshPackError::Kind openFailure(const std::filesystem::path& file)
{
    try {
        MeshPack pack(file);
    } catch (const MeshPackError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "opened " << file;
    return MeshPackError::Kind::tooLarge;
}

constexpr std::size_t structureRecord(std::size_t index)
{
    return 16384 + 104 * index;
}

} // namespace

TEST(MeshPackErrors, descriptionsAreTheItalianTexts)
{
    EXPECT_STREQ(MeshPackError::cannotOpen("/x/y", "permesso negato").what(),
        "Impossibile aprire il pack geometrico: /x/y (permesso negato)");
    EXPECT_STREQ(MeshPackError::badVersion(2).what(), "Versione del pack non supportata: 2");
    EXPECT_STREQ(MeshPackError::badMagic().what(), "Il file non è un pack .mrvpack valido.");
    EXPECT_STREQ(MeshPackError::truncated().what(), "Il pack geometrico è troncato o corrotto.");
    EXPECT_EQ(MeshPackError::badVersion(7).version(), 7u);
    EXPECT_EQ(MeshPackError::cannotOpen("/x", "permesso negato").path(), "/x");
}

TEST(MeshPackOpening, filesThatAreNotPacksAreRefused)
{
    TemporaryFolder folder;
    try {
        MeshPack pack(folder / "manca.mrvpack");
        FAIL();
    } catch (const MeshPackError& error) {
        EXPECT_EQ(error.kind(), MeshPackError::Kind::cannotOpen);
        EXPECT_EQ(std::string(error.what()),
            "Impossibile aprire il pack geometrico: " + (folder / "manca.mrvpack").string()
                + " (il file o la cartella non esiste)");
    }
    writeFile(folder / "header-only", std::string(256, '\0'));
    EXPECT_EQ(openFailure(folder / "header-only"), MeshPackError::Kind::truncated);
    writeFile(folder / "empty", "");
    EXPECT_EQ(openFailure(folder / "empty"), MeshPackError::Kind::truncated);

    // Not regular files: a folder, and a FIFO, which must not block the open.
    std::filesystem::create_directory(folder / "cartella.mrvpack");
    EXPECT_EQ(openFailure(folder / "cartella.mrvpack"), MeshPackError::Kind::cannotOpen);
    ASSERT_EQ(mkfifo((folder / "fifo.mrvpack").c_str(), 0600), 0);
    EXPECT_EQ(openFailure(folder / "fifo.mrvpack"), MeshPackError::Kind::cannotOpen);
}

TEST(MeshPackOpening, magicIsCheckedBeforeVersion)
{
    TemporaryFolder folder;
    auto bytes = validPackBytes(folder);
    auto wrongBoth = bytes;
    wrongBoth[3] = 'X';
    setField<std::uint32_t>(wrongBoth, HeaderField::version, 2);
    writeFile(folder / "a", wrongBoth);
    EXPECT_EQ(openFailure(folder / "a"), MeshPackError::Kind::badMagic);

    auto version2 = bytes;
    setField<std::uint32_t>(version2, HeaderField::version, 2);
    writeFile(folder / "b", version2);
    try {
        MeshPack pack(folder / "b");
        FAIL();
    } catch (const MeshPackError& error) {
        EXPECT_EQ(error.kind(), MeshPackError::Kind::badVersion);
        EXPECT_TRUE(std::string(error.what()).ends_with("2"));
    }
}

TEST(MeshPackOpening, everyTruncatedPrefixIsRefused)
{
    TemporaryFolder folder;
    auto bytes = validPackBytes(folder);
    auto dataEnd = fieldAt<std::uint64_t>(bytes, HeaderField::stringsOffset)
        + fieldAt<std::uint32_t>(bytes, HeaderField::stringsLength);
    auto file = folder / "prefix.mrvpack";
    writeFile(file, bytes);
    // The zero fill after the string section is not needed: a file ending
    // exactly with its strings opens; one byte less does not.
    for (auto length = bytes.size(); length > 0; --length) {
        ASSERT_EQ(truncate(file.c_str(), static_cast<off_t>(length - 1)), 0);
        if (length - 1 >= dataEnd) {
            ASSERT_NO_THROW(MeshPack pack(file)) << length - 1;
            continue;
        }
        try {
            MeshPack pack(file);
            FAIL() << "prefix of " << length - 1 << " bytes opened";
        } catch (const MeshPackError& error) {
            ASSERT_EQ(error.kind(), MeshPackError::Kind::truncated) << length - 1;
        }
    }
}

TEST(MeshPackOpening, trailingBytesAreAccepted)
{
    TemporaryFolder folder;
    auto bytes = validPackBytes(folder) + std::string(100, '\x7f');
    writeFile(folder / "p", bytes);
    MeshPack pack(folder / "p");
    EXPECT_EQ(pack.byteCount(), bytes.size());
    EXPECT_EQ(pack.structureCount(), 2u);
}

// Each damage lets a consumer read outside a section (or the file) if trusted.
TEST(MeshPackOpening, damagedHeadersAndRecordsAreRefused)
{
    TemporaryFolder folder;
    const auto valid = validPackBytes(folder);
    const auto indexCount = fieldAt<std::uint32_t>(valid, HeaderField::indexCount);
    const auto vertexCount = fieldAt<std::uint32_t>(valid, HeaderField::vertexCount);
    const auto stringsLength = fieldAt<std::uint32_t>(valid, HeaderField::stringsLength);
    const auto verticesOffset = fieldAt<std::uint64_t>(valid, HeaderField::verticesOffset);
    const auto first = structureRecord(0), second = structureRecord(1);
    ASSERT_EQ(fieldAt<std::uint32_t>(valid, second + 64), 6u); // second's vertexStart
    ASSERT_EQ(fieldAt<std::uint32_t>(valid, HeaderField::lodCount), 4u);

    struct Damage {
        const char* what;
        std::function<void(std::string&)> apply;
    };
    const std::vector<Damage> damages {
        {"index section one byte past the file",
            [&](std::string& b) {
                setField<std::uint64_t>(b, HeaderField::indicesOffset, b.size() - 4 * indexCount + 1);
            }},
        {"section offset at 2^63",
            [](std::string& b) {
                setField<std::uint64_t>(b, HeaderField::verticesOffset, std::uint64_t(1) << 63);
            }},
        {"section end wrapping around",
            [](std::string& b) {
                setField<std::uint64_t>(b, HeaderField::stringsOffset, ~std::uint64_t(0) - 2);
            }},
        {"misaligned vertex section",
            [&](std::string& b) {
                setField<std::uint64_t>(b, HeaderField::verticesOffset, verticesOffset + 2);
            }},
        {"structure count past the section",
            [](std::string& b) { setField<std::uint32_t>(b, HeaderField::structureCount, 1u << 30); }},
        {"level count 0", [](std::string& b) { setField<std::uint32_t>(b, HeaderField::lodCount, 0); }},
        {"level count 5", [](std::string& b) { setField<std::uint32_t>(b, HeaderField::lodCount, 5); }},
        {"filled level beyond the level count",
            [](std::string& b) { setField<std::uint32_t>(b, HeaderField::lodCount, 2); }},
        {"vertex range past the vertices",
            [&](std::string& b) { setField<std::uint32_t>(b, second + 68, vertexCount); }},
        {"vertex start past the vertices",
            [&](std::string& b) { setField<std::uint32_t>(b, second + 64, 0xfffffff0u); }},
        {"level run past the indices",
            [&](std::string& b) { setField<std::uint32_t>(b, second + 72, indexCount - 3); }},
        {"level run start wrapping around",
            [&](std::string& b) { setField<std::uint32_t>(b, second + 72, 0xffffffffu); }},
        {"empty run starting past the indices",
            [&](std::string& b) { setField<std::uint32_t>(b, second + 76, indexCount + 1); }},
        {"run of a partial triangle", [&](std::string& b) { setField<std::uint32_t>(b, first + 88, 4); }},
        {"index into another structure's vertices",
            [&](std::string& b) {
                setField<std::uint32_t>(b, 3 * 16384 + 4 * fieldAt<std::uint32_t>(b, second + 72), 0);
            }},
        {"index past every vertex",
            [&](std::string& b) { setField<std::uint32_t>(b, 3 * 16384, 0x7fffffffu); }},
        {"name offset past the strings",
            [&](std::string& b) { setField<std::uint32_t>(b, first, stringsLength); }},
        {"concept offset past the strings",
            [&](std::string& b) { setField<std::uint32_t>(b, second + 4, 0xffffffffu); }},
        {"vertex owned by a missing structure",
            [&](std::string& b) { setField<std::uint32_t>(b, verticesOffset + 32 * 2 + 24, 2); }},
    };
    ASSERT_EQ(fieldAt<std::uint64_t>(valid, HeaderField::indicesOffset), 3u * 16384);
    for (const auto& damage : damages) {
        auto bytes = valid;
        damage.apply(bytes);
        writeFile(folder / "damaged.mrvpack", bytes);
        try {
            MeshPack pack(folder / "damaged.mrvpack");
            ADD_FAILURE() << damage.what << ": opened";
        } catch (const MeshPackError& error) {
            EXPECT_EQ(error.kind(), MeshPackError::Kind::truncated) << damage.what;
            EXPECT_STREQ(error.what(), "Il pack geometrico è troncato o corrotto.") << damage.what;
        }
    }
}

TEST(MeshPackLookups, outOfRangeLookupsGiveEmptyText)
{
    TemporaryFolder folder;
    auto bytes = validPackBytes(folder);
    setField<std::uint32_t>(
        bytes, HeaderField::datasetName, fieldAt<std::uint32_t>(bytes, HeaderField::stringsLength));
    setField<std::uint32_t>(bytes, HeaderField::attribution, 0xffffffffu);
    writeFile(folder / "p", bytes);
    MeshPack pack(folder / "p");
    EXPECT_EQ(pack.datasetName(), "");
    EXPECT_EQ(pack.attribution(), "");
    EXPECT_EQ(pack.name(-1), "");
    EXPECT_EQ(pack.name(2), "");
    EXPECT_EQ(pack.conceptID(-1), "");
    EXPECT_EQ(pack.conceptID(1), "FMA2");
    EXPECT_EQ(pack.string(1 << 20), "");
    EXPECT_EQ(pack.string(0), "");
    EXPECT_EQ(pack.string(pack.structures()[0].nameOffset + 2), "imo");
}

TEST(MeshPackLookups, stringsStopAtTheSectionEndAndRepairBadUTF8)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    builder.add(stripMesh("FMA1",
        "a\xFF\xC3"
        "b"));
    builder.write(folder / "p", "Atlante", "Attribuzione");
    auto bytes = readFile(folder / "p");
    // Cut the section's last two bytes: the final NUL and the final 'e'.
    auto length = fieldAt<std::uint32_t>(bytes, HeaderField::stringsLength);
    setField<std::uint32_t>(bytes, HeaderField::stringsLength, length - 2);
    writeFile(folder / "p",
        bytes.substr(0, fieldAt<std::uint64_t>(bytes, HeaderField::stringsOffset) + length - 2));

    MeshPack pack(folder / "p");
    EXPECT_EQ(pack.attribution(), "Attribuzion");
    EXPECT_EQ(pack.name(0),
        "a\xEF\xBF\xBD\xEF\xBF\xBD"
        "b");
}

TEST(MeshPackLookups, conceptIndexMapsDuplicatesToTheLastRecord)
{
    TemporaryFolder folder;
    MeshPackBuilder builder;
    builder.add(stripMesh("FMA7", "a"));
    builder.add(stripMesh("FMA7", "b"));
    builder.add(stripMesh("", "c"));
    builder.sortForLocality();
    builder.write(folder / "p", "", "");
    MeshPack pack(folder / "p");
    EXPECT_EQ(pack.structures()[2].conceptOffset, 0u);
    EXPECT_EQ(
        pack.indexByConceptID(), (std::unordered_map<std::string, std::int64_t> {{"FMA7", 1}, {"", 2}}));
    pack.setIndexByConceptID({{"x", 5}});
    EXPECT_EQ(pack.indexByConceptID().at("x"), 5);
}

TEST(MeshPackLookups, sectionViewsPointIntoTheMapping)
{
    TemporaryFolder folder;
    auto bytes = validPackBytes(folder);
    MeshPack pack(folder / "valid.mrvpack");
    EXPECT_EQ(pack.verticesPointer(), static_cast<const void*>(pack.vertices().data()));
    EXPECT_EQ(pack.indicesPointer(), static_cast<const void*>(pack.indices().data()));
    EXPECT_EQ(pack.verticesByteCount(), pack.vertexCount() * 32);
    EXPECT_EQ(pack.indicesByteCount(), pack.indexCount() * 4);
    EXPECT_EQ(std::memcmp(pack.verticesPointer(),
                  bytes.data() + fieldAt<std::uint64_t>(bytes, HeaderField::verticesOffset),
                  pack.verticesByteCount()),
        0);
}

TEST(PackStructureLevels, resolvedLODFallsBackTowardsFinerLevels)
{
    PackStructure record;
    EXPECT_EQ(record, PackStructure {});
    record.lod0Count = 300;
    record.lod1Count = 90;
    const std::vector<std::pair<int, int>> expected {{3, 1}, {9, 1}, {2, 1}, {1, 1}, {0, 0}, {-1, -1}};
    for (auto [requested, resolved] : expected)
        EXPECT_EQ(record.resolvedLOD(requested), resolved) << requested;
    record.lod1Count = 0;
    EXPECT_EQ(record.resolvedLOD(3), 0);
    record.lod2Count = 30;
    EXPECT_EQ(record.resolvedLOD(3), 2);
    EXPECT_EQ(record.resolvedLOD(1), 0);
}

TEST(PackStructureLevels, levelsOutsideZeroToTwoSelectLevelThree)
{
    PackStructure record;
    record.lod0Start = 1;
    record.lod1Start = 2;
    record.lod2Start = 3;
    record.lod3Start = 4;
    record.lod0Count = 10;
    record.lod1Count = 20;
    record.lod2Count = 30;
    record.lod3Count = 40;
    for (int lod : {0, 1, 2}) {
        EXPECT_EQ(record.lodIndexStart(lod), static_cast<std::uint32_t>(lod + 1));
        EXPECT_EQ(record.lodIndexCount(lod), static_cast<std::uint32_t>(10 * (lod + 1)));
    }
    for (int lod : {3, 7, -1}) {
        EXPECT_EQ(record.lodIndexStart(lod), 4u);
        EXPECT_EQ(record.lodIndexCount(lod), 40u);
    }
    // Setting follows the same selection and touches only the selected level.
    record.setLODRun(-5, 400, 41);
    record.setLODRun(1, 200, 21);
    EXPECT_EQ(std::tuple(record.lod0Start, record.lod1Start, record.lod2Start, record.lod3Start),
        std::tuple(1u, 200u, 3u, 400u));
    EXPECT_EQ(std::tuple(record.lod0Count, record.lod1Count, record.lod2Count, record.lod3Count),
        std::tuple(10u, 21u, 30u, 41u));
}

// The pack's names go through the shared UTF-8 toolkit: the reader repairs them as
// UnicodeText does, and the builder interns canonically equivalent names together
// only when they are well-formed, as UnicodeText judges.
TEST(MeshPackLookups, namesFollowTheSharedUTF8RulesOnIllFormedBytes)
{
    const std::string_view cases[] = {
        "", // well-formed, for contrast
        "\xC3", "\xE2\x82", "\xF0\x9F\x98", // truncated
        "\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", // overlong
        "\xED\xA0\x80", "\xED\xBF\xBF\xED\xA0\x80", // surrogates
        "\xF4\x90\x80\x80", "\xFF", "\x80\x80", // above U+10FFFF, never a lead, lone continuations
    };
    for (auto tail : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(tail)));
        const std::string decomposed = "e\xCC\x81" + std::string(tail);
        const std::string composed = "\xC3\xA9" + std::string(tail);
        TemporaryFolder folder;
        MeshPackBuilder builder;
        builder.add(stripMesh("FMA1", decomposed));
        builder.add(stripMesh("FMA2", composed));
        builder.write(folder / "p", "", "");
        MeshPack pack(folder / "p");

        EXPECT_EQ(pack.name(0), UnicodeText::repairedUTF8(decomposed));
        const bool merged = pack.structures()[0].nameOffset == pack.structures()[1].nameOffset;
        EXPECT_EQ(merged, UnicodeText::isValidUTF8(tail));
        EXPECT_EQ(pack.name(1), UnicodeText::repairedUTF8(merged ? decomposed : composed));
    }
}
