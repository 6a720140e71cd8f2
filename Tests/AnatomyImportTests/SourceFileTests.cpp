// An import file is read as it was when opened: one cut short meanwhile is
// refused, one that grows is read to its size at open, and one larger than
// the memory bound is refused before a byte is read.
#include "AnatomyImport/Readers/GLTFLoader.h"
#include "AnatomyImport/Readers/Internal/SourceFile.h"
#include "AnatomyImport/Readers/ModelIOLoader.h"
#include "AnatomyImport/Readers/OBJLoader.h"
#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

using namespace morvena;
using namespace morvena::test;
namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

constexpr std::string_view content = "solid triangolo\n";

std::string text(std::span<const std::uint8_t> bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(SourceFile, aFileChangedBetweenOpenAndReadIsReadAsItWasOrRefused)
{
    struct Case {
        const char* change;
        void (*apply)(const fs::path&);
        std::optional<std::string> read; // nothing: refused as changed
    };
    const Case cases[] = {
        {"unchanged", [](const fs::path&) {}, std::string(content)},
        {"cut short", [](const fs::path& file) { fs::resize_file(file, 5); }, std::nullopt},
        {"emptied", [](const fs::path& file) { fs::resize_file(file, 0); }, std::nullopt},
        {"grown", [](const fs::path& file) { std::ofstream(file, std::ios::app) << "endsolid\n"; },
            std::string(content)},
    };
    for (const auto& [change, apply, read] : cases) {
        TemporaryFolder folder;
        const auto file = folder / "model.stl";
        writeFile(file, content);
        SourceFile::Seams seams;
        seams.beforeReading = [&] { apply(file); };
        try {
            SourceFile source(file, seams);
            EXPECT_EQ(std::optional(text(source.bytes())), read) << change;
        } catch (const SourceFile::Refused& refusal) {
            EXPECT_FALSE(read) << change;
            EXPECT_STREQ(refusal.what(), "il file è cambiato durante la lettura") << change;
        }
    }
}

TEST(SourceFile, aFileOverTheBoundIsRefusedBeforeItIsRead)
{
    for (const std::size_t size : {99u, 100u, 101u}) {
        ByteBudget budget(100);
        TemporaryFolder folder;
        writeFile(folder / "model.obj", std::string(size, 'v'));
        bool reading = false;
        try {
            SourceFile source(folder / "model.obj", {&budget, [&] { reading = true; }});
            EXPECT_EQ(source.bytes().size(), size);
        } catch (const SourceFile::Refused& refusal) {
            EXPECT_STREQ(refusal.what(), "file di 1 MiB, più di metà della memoria del computer");
        }
        EXPECT_EQ(reading, size <= 100) << size;
    }
}

// At the real bound, half the machine's memory: a sparse file takes no room on disk.
TEST(SourceFile, everyReaderRefusesAFileOverHalfTheMemoryNamingIt)
{
    using Read = void (*)(const fs::path&);
    const std::pair<const char*, Read> readers[] = {
        {"model.obj", [](const fs::path& path) { OBJLoader::load(path); }},
        {"model.glb", [](const fs::path& path) { GLTFLoader::load(path); }},
        {"model.stl", [](const fs::path& path) { ModelIOLoader::read(path); }},
        {"model.abc", [](const fs::path& path) { ModelIOLoader::read(path); }},
    };
    for (const auto& [file, read] : readers) {
        TemporaryFolder folder;
        writeFile(folder / file, "");
        fs::resize_file(folder / file, ByteBudget::forInputFiles().limit() + 1);
        try {
            read(folder / file);
            ADD_FAILURE() << file;
        } catch (const std::exception& error) {
            EXPECT_THAT(error.what(), HasSubstr((folder / file).string() + " (file di ")) << file;
            EXPECT_THAT(error.what(), HasSubstr("MiB, più di metà della memoria del computer)")) << file;
        }
    }
}

TEST(ByteBudget, aReaderWaitsUntilItsBytesFitAndOneThatHoldsSomeIsRefusedPastTheLimitInstead)
{
    using namespace std::chrono_literals;
    ByteBudget budget(10);
    auto first = budget.take(6);
    EXPECT_FALSE(budget.take(5)); // 6 + 5 could never fit, whatever other readers give back
    auto nested = budget.take(4); // a glTF file's buffer: waiting could never end
    ASSERT_TRUE(nested);
    std::atomic<bool> taken = false;
    std::jthread other([&] {
        auto share = budget.take(7);
        taken = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(taken);
    first = {};
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(taken); // 4 + 7 still over 10
    nested = {};
    other.join();
    EXPECT_TRUE(taken);
}
