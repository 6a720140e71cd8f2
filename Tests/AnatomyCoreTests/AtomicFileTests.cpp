#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/FileError.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace morvena;
namespace fs = std::filesystem;

TEST(AtomicFile, theTargetChangesOnlyOnCommit)
{
    test::TemporaryFolder folder;
    auto target = folder / "geometry.mrvpack";
    test::writeFile(target, "vecchio");
    {
        AtomicFile file(target);
        file.write("nuovo, ma incompleto");
        EXPECT_EQ(test::readFile(target), "vecchio");
        EXPECT_EQ(file.temporaryPath().parent_path(), folder.path());
    } // abandoned, e.g. by an exception
    EXPECT_EQ(test::readFile(target), "vecchio");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);

    AtomicFile file(target);
    file.write("nuovo");
    file.commit();
    EXPECT_EQ(test::readFile(target), "nuovo");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(AtomicFile, aMappedFileStartsZeroAndChangesTheTargetOnlyOnCommit)
{
    test::TemporaryFolder folder;
    auto target = folder / "geometry.mrvpack";
    test::writeFile(target, "vecchio");
    {
        AtomicFile file(target);
        file.mapForWriting(5)[0] = std::byte {'x'};
    } // abandoned
    EXPECT_EQ(test::readFile(target), "vecchio");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);

    AtomicFile file(target);
    auto bytes = file.mapForWriting(6);
    ASSERT_EQ(bytes.size(), 6u);
    EXPECT_TRUE(std::ranges::all_of(bytes, [](std::byte b) { return b == std::byte {0}; }));
    std::memcpy(bytes.data(), "nuovo", 5);
    file.commit();
    EXPECT_EQ(test::readFile(target), std::string("nuovo\0", 6));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(AtomicFile, aMissingFolderIsAnItalianFileError)
{
    test::TemporaryFolder folder;
    try {
        AtomicFile::write(folder / "manca/viewer.json", "{}");
        FAIL() << "wrote into a missing folder";
    } catch (const FileError& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
        EXPECT_NE(std::string(error.what()).find("Impossibile creare il file"), std::string::npos);
    }
}
