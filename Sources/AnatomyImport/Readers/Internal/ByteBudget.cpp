#include "AnatomyImport/Readers/Internal/ByteBudget.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <unistd.h>

namespace morvena {

namespace {

std::size_t halfPhysicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::numeric_limits<std::size_t>::max() / 2;
    const auto count = static_cast<std::size_t>(pages);
    const auto size = static_cast<std::size_t>(pageSize);
    return std::min(count, std::numeric_limits<std::size_t>::max() / size) * size / 2;
}

} // namespace

ByteBudget::Share::Share(ByteBudget& budget, std::size_t bytes)
    : budget_(&budget)
    , bytes_(bytes)
    , holder_(std::this_thread::get_id())
{
}

ByteBudget::Share::~Share()
{
    giveBack();
}

ByteBudget::Share::Share(Share&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , bytes_(std::exchange(other.bytes_, 0))
    , holder_(other.holder_)
{
}

ByteBudget::Share& ByteBudget::Share::operator=(Share&& other) noexcept
{
    if (this != &other) {
        giveBack();
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        holder_ = other.holder_;
    }
    return *this;
}

void ByteBudget::Share::giveBack() noexcept
{
    if (budget_)
        std::exchange(budget_, nullptr)->giveBack(bytes_, holder_);
}

ByteBudget::ByteBudget(std::size_t limit, std::function<void()> beforeWaiting)
    : limit_(limit)
    , beforeWaiting_(std::move(beforeWaiting))
{
}

std::size_t ByteBudget::highWater() const
{
    std::lock_guard lock(mutex_);
    return highWater_;
}

bool ByteBudget::mayTake(std::size_t bytes, std::size_t heldAlready, std::thread::id thread) const
{
    if (fits(bytes))
        return true;
    return heldAlready > 0 && (overdraftHolder_ == std::thread::id() || overdraftHolder_ == thread);
}

std::optional<ByteBudget::Share> ByteBudget::take(std::size_t bytes)
{
    if (bytes == 0)
        return Share();
    const auto thread = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    const auto held = heldByThread_.find(thread);
    const std::size_t heldAlready = held == heldByThread_.end() ? 0 : held->second;
    // Every take keeps a thread's shares within the limit.
    if (bytes > limit_ - heldAlready)
        return std::nullopt;
    while (!mayTake(bytes, heldAlready, thread)) {
        if (beforeWaiting_)
            beforeWaiting_();
        freed_.wait(lock);
    }
    if (!fits(bytes))
        overdraftHolder_ = thread;
    taken_ += bytes;
    highWater_ = std::max(highWater_, taken_);
    heldByThread_[thread] += bytes;
    return Share(*this, bytes);
}

void ByteBudget::giveBack(std::size_t bytes, std::thread::id holder) noexcept
{
    {
        std::lock_guard lock(mutex_);
        taken_ -= bytes;
        if (auto held = heldByThread_.find(holder);
            held != heldByThread_.end() && (held->second -= bytes) == 0)
            heldByThread_.erase(held);
        // Every share outside the overdraft was taken under the limit, so the
        // overdraft ends at the latest when its holder has given back its own.
        if (taken_ <= limit_)
            overdraftHolder_ = std::thread::id();
    }
    freed_.notify_all();
}

ByteBudget& ByteBudget::forInputFiles()
{
    static ByteBudget budget(halfPhysicalMemory());
    return budget;
}

} // namespace morvena
