#include "AnatomyImport/BodyParts3D/BodyParts3DFolders.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace morvena;
using morvena::test::TemporaryFolder;
using morvena::test::writeFile;
namespace fs = std::filesystem;

namespace {

void touch(const fs::path& file)
{
    writeFile(file, "");
}

} // namespace

TEST(BodyParts3DFolders, theSearchesFindTheMetadataAndTheFirstOBJFolderBreadthFirst)
{
    TemporaryFolder folder;
    const auto root = folder.path();
    touch(root / "dati/fma/isa_parts_list_e.txt");
    touch(root / "dati/fma/altro/isa_parts_list_e.txt");
    touch(root / "obj/FJ1.obj");
    touch(root / "__MACOSX/._FJ1.obj"); // a hidden companion, met first
    touch(root / "__MACOSX/obj/._FJ2.obj");
    touch(root / "zz/a/b/c/FJ3.obj");
    fs::create_directory_symlink(root, root / "anello"); // never followed
    EXPECT_EQ(BodyParts3DFolders::findMetadata(root), root / "dati/fma");
    EXPECT_EQ(BodyParts3DFolders::findOBJ(root), root / "obj");

    touch(root / "isa_parts_list_e.txt");
    touch(root / "MAIUSCOLO.OBJ");
    EXPECT_EQ(BodyParts3DFolders::findMetadata(root), root);
    EXPECT_EQ(BodyParts3DFolders::findOBJ(root), root);

    TemporaryFolder empty;
    touch(empty / "note.txt");
    EXPECT_FALSE(BodyParts3DFolders::findMetadata(empty.path()));
    EXPECT_FALSE(BodyParts3DFolders::findOBJ(empty.path()));
    EXPECT_FALSE(BodyParts3DFolders::findOBJ(empty / "assente"));
}
