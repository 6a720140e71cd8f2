// A FIFO blocks whoever opens it for reading until a writer comes; /dev/zero
// and /dev/urandom never end. Every reader of import files refuses both.
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Naming/CuratedContent.h"
#include "AnatomyImport/Readers/GLTFLoader.h"
#include "AnatomyImport/Readers/ModelIOLoader.h"
#include "AnatomyImport/Readers/OBJLoader.h"

#include "FreshDataFolder.h"
#include "SyntheticRelease.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace morvena;
using namespace morvena::test;
namespace fs = std::filesystem;

namespace {

void plant(const fs::path& path, const std::string& device)
{
    if (device == "fifo")
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    else
        fs::create_symlink(device, path);
}

using BodyParts3DElements = FreshDataFolder;

} // namespace

TEST(NonRegularFiles, everyReaderRefusesThemNamingTheFile)
{
    using Read = void (*)(const fs::path&);
    const std::pair<const char*, Read> readers[] = {
        {"model.obj", [](const fs::path& path) { OBJLoader::load(path); }},
        {"model.glb", [](const fs::path& path) { GLTFLoader::load(path); }},
        {"buffer.bin",
            [](const fs::path& path) {
                writeFile(path.parent_path() / "model.gltf",
                    R"({"buffers": [{"uri": "buffer.bin"}], "bufferViews": [{"buffer": 0}]})");
                GLTFLoader::load(path.parent_path() / "model.gltf");
            }},
        {"model.stl", [](const fs::path& path) { ModelIOLoader::read(path); }},
        {"model.usda", [](const fs::path& path) { ModelIOLoader::read(path); }},
        {"model.abc", [](const fs::path& path) { ModelIOLoader::read(path); }},
    };
    for (const auto& [file, read] : readers) {
        for (const std::string device : {"fifo", "/dev/zero"}) {
            TemporaryFolder folder;
            plant(folder / file, device);
            try {
                read(folder / file);
                ADD_FAILURE() << file << " " << device;
            } catch (const std::exception& error) {
                EXPECT_THAT(
                    error.what(), testing::HasSubstr((folder / file).string() + " (non è un file regolare)"));
            }
            EXPECT_EQ(CuratedContent::load(folder / file).count(), 0u);
        }
    }
}

TEST_F(BodyParts3DElements, aFIFOOrEndlessDeviceCountsAsAMissingElementFile)
{
    for (const std::string device : {"fifo", "/dev/urandom"}) {
        SyntheticRelease release;
        fs::remove(release.objFolder / "FJ12.obj");
        plant(release.objFolder / "FJ12.obj", device);
        auto result = BodyParts3DImporter(release.options()).run([](const ImportProgress&) {});
        EXPECT_THAT(result.missingOBJ, testing::Contains("FMA100")) << device;
    }
}
