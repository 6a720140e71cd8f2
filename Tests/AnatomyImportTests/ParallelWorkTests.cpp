#include "AnatomyImport/Internal/ParallelWork.h"

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
    std::atomic<std::size_t> started {0};
    EXPECT_THROW(ParallelWork::forEach(
                     100000,
                     [&](std::size_t item) {
                         ++started;
                         if (item == 10)
                             throw std::runtime_error("guasto");
                     },
                     40, [](std::size_t) {}, 4),
        std::runtime_error);
    EXPECT_LT(started.load(), 100000u);

    // A checkpoint that throws (a cancelled import) stops the workers too.
    // Workers past the first items wait until the checkpoint has thrown, so a
    // busy machine cannot let them finish everything before the caller runs.
    started = 0;
    std::atomic<bool> cancelled {false};
    EXPECT_THROW(ParallelWork::forEach(
                     100000,
                     [&](std::size_t item) {
                         ++started;
                         auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                         while (item >= 1000 && !cancelled && std::chrono::steady_clock::now() < deadline)
                             std::this_thread::sleep_for(std::chrono::microseconds(200));
                     },
                     40,
                     [&](std::size_t item) {
                         if (item == 80) {
                             cancelled = true;
                             throw std::runtime_error("annullato");
                         }
                     },
                     4),
        std::runtime_error);
    EXPECT_LT(started.load(), 100000u);
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
