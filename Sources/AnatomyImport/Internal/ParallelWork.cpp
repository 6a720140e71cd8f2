#include "AnatomyImport/Internal/ParallelWork.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace morvena::ParallelWork {

namespace {

// What the workers share with the reporting thread.
class Board {
public:
    explicit Board(std::size_t count)
        : finishedUpTo_(0)
        , done_(count, false)
    {
    }

    // The next item to work on, or nothing once everything is claimed or the
    // work has failed.
    bool claim(std::size_t& item)
    {
        std::lock_guard lock(mutex_);
        if (failure_ || next_ >= done_.size())
            return false;
        item = next_++;
        return true;
    }

    void finish(std::size_t item)
    {
        std::lock_guard lock(mutex_);
        done_[item] = true;
        while (finishedUpTo_ < done_.size() && done_[finishedUpTo_])
            ++finishedUpTo_;
        changed_.notify_all();
    }

    void fail(std::exception_ptr error)
    {
        std::lock_guard lock(mutex_);
        if (!failure_)
            failure_ = error;
        changed_.notify_all();
    }

    // Waits until every item before `item` has finished; false once the work
    // has failed.
    bool waitForPrefix(std::size_t item)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return failure_ || finishedUpTo_ >= item; });
        return !failure_;
    }

    std::exception_ptr failure()
    {
        std::lock_guard lock(mutex_);
        return failure_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t finishedUpTo_;
    std::vector<bool> done_;
    std::exception_ptr failure_;
};

} // namespace

unsigned threadCount()
{
    if (const char* text = std::getenv("MORVENA_THREADS")) {
        const char* end = text + std::strlen(text);
        unsigned count = 0;
        auto [stop, error] = std::from_chars(text, end, count);
        if (error == std::errc() && stop == end && count >= 1 && count <= 1024)
            return count;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

void forEach(std::size_t count, const std::function<void(std::size_t)>& work, std::size_t stride,
    const std::function<void(std::size_t)>& checkpoint, unsigned threads)
{
    if (threads == 0)
        threads = threadCount();
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(count, 1)));
    stride = std::max<std::size_t>(stride, 1);

    Board board(count);
    auto worker = [&] {
        std::size_t item = 0;
        while (board.claim(item)) {
            try {
                work(item);
            } catch (...) {
                board.fail(std::current_exception());
                return;
            }
            board.finish(item);
        }
    };
    std::vector<std::jthread> workers;
    workers.reserve(threads);
    for (unsigned index = 0; index < threads; ++index)
        workers.emplace_back(worker);

    for (std::size_t item = 0; item < count; item += stride) {
        if (!board.waitForPrefix(item))
            break;
        try {
            checkpoint(item);
        } catch (...) {
            board.fail(std::current_exception());
            break;
        }
    }
    workers.clear(); // joins
    if (auto failure = board.failure())
        std::rethrow_exception(failure);
}

} // namespace morvena::ParallelWork
