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

#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <numeric>
#include <span>
#include <thread>
#include <vector>

using namespace morvena;
using namespace morvena::test;
namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

constexpr std::string_view content = "solid triangolo\n";

// A count that other threads raise and a test waits for, with a deadline
// only a hang reaches.
class Events {
public:
    void add()
    {
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }

    bool reach(int count)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::minutes(5), [&] { return count_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

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
    Events events; // each time the other thread goes to sleep, and once it has taken
    ByteBudget budget(10, [&] { events.add(); });
    std::atomic<bool> taken = false;
    std::jthread other;
    auto first = budget.take(6);
    EXPECT_FALSE(budget.take(5)); // 6 + 5 could never fit, whatever other readers give back
    auto nested = budget.take(4);
    ASSERT_TRUE(nested);
    other = std::jthread([&] {
        auto share = budget.take(7);
        taken = true;
        events.add();
    });
    ASSERT_TRUE(events.reach(1));
    EXPECT_FALSE(taken);
    first = {};
    ASSERT_TRUE(events.reach(2)); // woken, it has looked again
    EXPECT_FALSE(taken); // 4 + 7 still over 10
    nested = {};
    other.join();
    EXPECT_TRUE(taken);
}

// Readers that hold a share each, all within the limit, then take the rest of
// their set together: one at a time may pass the limit, and readers that start
// late, holding nothing, wait among them.
TEST(ByteBudget, readersInParallelHoldAtMostTheLimitAndOneSet)
{
    struct Case {
        std::size_t limit;
        std::vector<std::size_t> set; // one reader's takes, in order
        std::size_t late;
    };
    const Case cases[] = {{8, {1, 7}, 0}, {8, {1, 1, 1, 1, 1, 1, 1, 1}, 0}, {16, {2, 2, 12}, 3},
        {24, {3, 21}, 8}, {40, {5, 30}, 2}};
    constexpr std::ptrdiff_t readers = 8;
    for (const auto& [limit, set, late] : cases) {
        ByteBudget budget(limit);
        std::barrier holding(readers);
        std::vector<std::jthread> threads;
        for (std::size_t reader = 0; reader < readers + late; ++reader)
            threads.emplace_back([&, reader] {
                std::vector<std::optional<ByteBudget::Share>> shares;
                shares.push_back(budget.take(set.front()));
                if (reader < readers)
                    holding.arrive_and_wait();
                for (const std::size_t bytes : std::span(set).subspan(1))
                    shares.push_back(budget.take(bytes));
                EXPECT_EQ(std::count(shares.begin(), shares.end(), std::nullopt), 0);
            });
        threads.clear();
        EXPECT_GT(budget.highWater(), limit) << limit;
        EXPECT_LE(budget.highWater(), limit + std::accumulate(set.begin(), set.end(), std::size_t(0)))
            << limit;
    }
}
