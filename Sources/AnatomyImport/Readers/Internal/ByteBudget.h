#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

namespace morvena {

// How many bytes of input files the readers of a process may hold in memory
// at once: an import reads a folder's files on every core. A take that fits
// beside the shares already held goes at once, and a thread that holds nothing
// waits until its bytes fit. A thread that holds a share (a glTF file opening
// its buffers) cannot wait for room, as two such readers would wait for each
// other's bytes: it takes an overdraft, which one thread at a time may hold,
// and waits only while another thread holds it. The holder never waits, so no
// cycle forms, and the overdraft ends once the shares fit under the limit
// again. A thread is refused when its own shares and the new bytes together
// pass the limit, which no wait could change. So the process holds at most the
// limit plus the overdraft holder's shares: never more than twice the limit.
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

    // `beforeWaiting`, where tests step in, runs under the budget's lock each
    // time a take goes to sleep, so it may not call the budget.
    explicit ByteBudget(std::size_t limit, std::function<void()> beforeWaiting = {});
    ByteBudget(const ByteBudget&) = delete;
    ByteBudget& operator=(const ByteBudget&) = delete;

    std::size_t limit() const { return limit_; }
    // The most bytes held at once since the budget was made.
    std::size_t highWater() const;

    // Waits as the rules above say, then takes `bytes`. Nothing when this
    // thread's shares and `bytes` together pass the limit.
    std::optional<Share> take(std::size_t bytes);

    // The budget every import file is read under: half the physical memory,
    // so that reading leaves room for what the readers decode.
    static ByteBudget& forInputFiles();

private:
    bool fits(std::size_t bytes) const { return taken_ <= limit_ && bytes <= limit_ - taken_; }
    bool mayTake(std::size_t bytes, std::size_t heldAlready, std::thread::id thread) const;
    void giveBack(std::size_t bytes, std::thread::id holder) noexcept;

    std::size_t limit_;
    std::function<void()> beforeWaiting_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t taken_ = 0;
    std::size_t highWater_ = 0;
    std::thread::id overdraftHolder_; // no thread while the shares fit
    std::unordered_map<std::thread::id, std::size_t> heldByThread_;
};

} // namespace morvena
