#include "AnatomyCore/Pack/MeshPackError.h"
#include "AnatomyCore/Pack/PackHeader.h"
#include "TemporaryFolder.h"
#include "TestDataset.h"
#include "mrvtool/RawPackReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

using namespace morvena;
using namespace morvena::test;

namespace {

std::string installedPackBytes(const TemporaryFolder& folder)
{
    TestDataset dataset("pezzi");
    dataset.add("FMA1", "skull", AnatomySystem::skeletal, ellipsoidMesh({0, 0, 0}, {5, 5, 5}, 8));
    dataset.add("FMA2", "heart", AnatomySystem::cardiac, ellipsoidMesh({20, 0, 0}, {5, 5, 5}, 8, 2));
    return readFile(dataset.install(folder.path()) / "geometry.mrvpack");
}

// Reads everything the inspection hands out, so that AddressSanitizer sees any read
// outside the mapping.
std::uint64_t touchEverything(const tool::RawPackReader& pack)
{
    std::uint64_t sum = std::accumulate(pack.indices().begin(), pack.indices().end(), std::uint64_t(0));
    for (std::size_t i = 0; i < pack.structures().size(); ++i)
        sum += pack.structures()[i].vertexStart + pack.conceptID(i).size();
    return sum;
}

} // namespace

TEST(RawPackReader, readsRecordsAsStored)
{
    TemporaryFolder folder;
    auto bytes = installedPackBytes(folder);
    writeFile(folder / "p.mrvpack", bytes);
    tool::RawPackReader pack(folder / "p.mrvpack");
    ASSERT_EQ(pack.structures().size(), 2u);
    EXPECT_EQ(pack.conceptID(0), "FMA1");
    EXPECT_EQ(pack.conceptID(1), "FMA2");
    EXPECT_EQ(pack.conceptID(2), "");
    EXPECT_EQ(pack.vertexCount(), 2u * 45);
    EXPECT_EQ(pack.indices().size(), 3u * (64 + 64 + 16));
}

TEST(RawPackReader, everyTruncatedPrefixIsRefusedOrReadInBounds)
{
    TemporaryFolder folder;
    auto bytes = installedPackBytes(folder);
    auto file = folder / "cut.mrvpack";
    for (std::size_t length = 0; length < bytes.size(); length += length < 512 ? 1 : 61) {
        writeFile(file, std::string_view(bytes).substr(0, length));
        try {
            tool::RawPackReader pack(file);
            touchEverything(pack);
        } catch (const MeshPackError& error) {
            EXPECT_EQ(error.kind(), MeshPackError::Kind::truncated) << length;
        }
    }
}

TEST(RawPackReader, refusesWhatIsNoPackAndSectionsOutsideTheFile)
{
    TemporaryFolder folder;
    auto bytes = installedPackBytes(folder);
    auto refusal = [&folder](const std::string& content) {
        writeFile(folder / "bad.mrvpack", content);
        try {
            tool::RawPackReader pack(folder / "bad.mrvpack");
        } catch (const MeshPackError& error) {
            return error.kind();
        }
        return MeshPackError::Kind::tooLarge; // stands for "accepted"
    };
    auto patched = [&bytes](std::size_t offset, auto value) {
        auto copy = bytes;
        std::memcpy(copy.data() + offset, &value, sizeof value);
        return copy;
    };
    EXPECT_EQ(refusal(patched(0, 'X')), MeshPackError::Kind::badMagic);
    EXPECT_EQ(
        refusal(patched(offsetof(PackHeader, version), std::uint32_t(2))), MeshPackError::Kind::badVersion);
    EXPECT_EQ(refusal(patched(offsetof(PackHeader, indexCount), std::uint32_t(0xFFFFFFFF))),
        MeshPackError::Kind::truncated);
    EXPECT_EQ(refusal(patched(offsetof(PackHeader, structuresOffset), std::uint64_t(1) << 63)),
        MeshPackError::Kind::truncated);
    EXPECT_EQ(refusal(patched(offsetof(PackHeader, stringsOffset), std::uint64_t(-1))),
        MeshPackError::Kind::truncated);
    EXPECT_EQ(refusal(patched(offsetof(PackHeader, indicesOffset), std::uint64_t(16385))),
        MeshPackError::Kind::truncated);
    EXPECT_THROW(tool::RawPackReader(folder / "absent.mrvpack"), MeshPackError);
    EXPECT_THROW(tool::RawPackReader(folder.path()), MeshPackError);
}

TEST(RawPackReader, conceptOffsetsOutsideTheStringsGiveEmptyText)
{
    TemporaryFolder folder;
    auto bytes = installedPackBytes(folder);
    PackHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    std::uint32_t past = header.stringsLength;
    std::memcpy(bytes.data() + header.structuresOffset + offsetof(PackStructure, conceptOffset), &past, 4);
    writeFile(folder / "p.mrvpack", bytes);
    tool::RawPackReader pack(folder / "p.mrvpack");
    EXPECT_EQ(pack.conceptID(0), "");
    EXPECT_EQ(pack.conceptID(1), "FMA2");
}
