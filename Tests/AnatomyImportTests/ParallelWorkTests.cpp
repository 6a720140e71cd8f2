#include "AnatomyImport/Internal/ParallelWork.h"

#include "HangDeadline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace morvena;

namespace {

constexpr std::size_t manyItems = 100000;
constexpr std::size_t firstHeldItem = 1000;

// Holds a work item past the first ones until the failure has come, and then
// for a millisecond: to finish the items left before the failure stops the
// claiming, the failing thread would have to stall for 25 seconds after it,
// which no busy machine does.
void holdUntil(std::size_t item, const std::atomic<bool>& failed)
{
    if (item < firstHeldItem)
        return;
    const auto hang = std::chrono::steady_clock::now() + test::hangDeadline;
    while (!failed && std::chrono::steady_clock::now() < hang)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

TEST(ParallelWork, everyItemOnceAndEveryCheckpointAfterTheItemsBeforeIt)
{
    for (unsigned threads : {1u, 3u, 16u}) {
        constexpr std::size_t count = 1000;
        auto done = std::make_unique<std::atomic<int>[]>(count);
        std::vector<std::size_t> checkpoints;
        ParallelWork::forEach(
            count, [&](std::size_t item) { done[item].fetch_add(1); }, 40,
            [&](std::size_t item) {
                for (std::size_t before = 0; before < item; ++before)
                    ASSERT_EQ(done[before].load(), 1) << before << " before checkpoint " << item;
                checkpoints.push_back(item);
            },
            threads);
        for (std::size_t item = 0; item < count; ++item)
            ASSERT_EQ(done[item].load(), 1) << item;
        ASSERT_EQ(checkpoints.size(), 25u);
        for (std::size_t index = 0; index < checkpoints.size(); ++index)
            EXPECT_EQ(checkpoints[index], index * 40);
    }
}

TEST(ParallelWork, nothingToDoCallsNothing)
{
    bool called = false;
    ParallelWork::forEach(
        0, [&](std::size_t) { called = true; }, 40, [&](std::size_t) { called = true; });
    EXPECT_FALSE(called);
}

TEST(ParallelWork, aFailureStopsTheWorkAndReachesTheCaller)
{
    // A failing item, then a checkpoint that throws (a cancelled import).
    for (bool inTheCheckpoint : {false, true}) {
        std::atomic<std::size_t> started {0};
        std::atomic<bool> failed {false};
        const auto failAt = [&](std::size_t item, std::size_t failing) {
            if (item == failing) {
                failed = true;
                throw std::runtime_error("guasto");
            }
        };
        EXPECT_THROW(ParallelWork::forEach(
                         manyItems,
                         [&](std::size_t item) {
                             ++started;
                             if (!inTheCheckpoint)
                                 failAt(item, 10);
                             holdUntil(item, failed);
                         },
                         40,
                         [&](std::size_t item) {
                             if (inTheCheckpoint)
                                 failAt(item, 80);
                         },
                         4),
            std::runtime_error);
        EXPECT_LT(started.load(), manyItems) << inTheCheckpoint;
    }
}

TEST(ParallelWork, theThreadCountComesFromTheEnvironmentWhenItIsUsable)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (auto [text, expected] :
        std::vector<std::pair<const char*, unsigned>> {{"3", 3}, {"1", 1}, {"1024", 1024}, {"0", cores},
            {"1025", cores}, {"-2", cores}, {"4x", cores}, {"", cores}, {" 2", cores}}) {
        setenv("MORVENA_THREADS", text, 1);
        EXPECT_EQ(ParallelWork::threadCount(), expected) << '"' << text << '"';
    }
    unsetenv("MORVENA_THREADS");
    EXPECT_EQ(ParallelWork::threadCount(), cores);
}
