#pragma once

#include <atomic>
#include <stop_token>

namespace morvena {

// The flag that the core's long operations poll, raised when a job is asked to
// stop through its std::stop_token.
class JobStopFlag {
public:
    explicit JobStopFlag(std::stop_token token)
        : callback_(std::move(token), Raise {&flag_})
    {
    }
    JobStopFlag(const JobStopFlag&) = delete;
    JobStopFlag& operator=(const JobStopFlag&) = delete;

    const std::atomic<bool>& flag() const { return flag_; }

private:
    struct Raise {
        std::atomic<bool>* flag;
        void operator()() const { *flag = true; }
    };

    std::atomic<bool> flag_ {false};
    std::stop_callback<Raise> callback_; // after the flag it raises
};

} // namespace morvena
