#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

namespace morvena {

// How many bytes of input files the readers of a process may hold in memory
// at once: an import reads a folder's files on every core. A reader waits
// until its bytes fit beside the others'. One whose thread already holds a
// share (a glTF file opening its buffers) never waits, as two such readers
// waiting for each other's bytes would never wake; it is refused instead when
// its thread's shares and the new bytes together pass the limit, which no
// wait could change. Nested takes may so pass the process's bound, by at most
// one reader's set for each reader that holds bytes; no reader starts until
// the total is back under the bound.
class ByteBudget {
public:
    // Bytes taken from a budget, given back when the object goes.
    class Share {
    public:
        Share() = default;
        ~Share();
        Share(Share&& other) noexcept;
        Share& operator=(Share&& other) noexcept;
        Share(const Share&) = delete;
        Share& operator=(const Share&) = delete;

    private:
        friend class ByteBudget;
        Share(ByteBudget& budget, std::size_t bytes);
        void giveBack() noexcept;

        ByteBudget* budget_ = nullptr;
        std::size_t bytes_ = 0;
        std::thread::id holder_;
    };

    explicit ByteBudget(std::size_t limit);
    ByteBudget(const ByteBudget&) = delete;
    ByteBudget& operator=(const ByteBudget&) = delete;

    std::size_t limit() const { return limit_; }

    // Waits until `bytes` fit beside the other threads' shares, or takes them
    // at once where this thread holds a share already. Nothing when this
    // thread's shares and `bytes` together pass the limit.
    std::optional<Share> take(std::size_t bytes);

    // The budget every import file is read under: half the physical memory,
    // so that reading leaves room for what the readers decode.
    static ByteBudget& forInputFiles();

private:
    void giveBack(std::size_t bytes, std::thread::id holder) noexcept;

    std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t taken_ = 0;
    std::unordered_map<std::thread::id, std::size_t> heldByThread_;
};

} // namespace morvena
