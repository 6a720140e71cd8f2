#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace morvena {

// What an import reports while it runs.
struct ImportProgress {
    double fraction = 0; // 0 to 1; never goes down within one import
    std::string message; // Italian text of the current step, shown as it is

    // A stage that counts items: it starts at `start` and covers `share` of the bar.
    struct Stage {
        double start = 0;
        double share = 0;

        // The fraction once `done` of `total` items are through.
        constexpr double after(std::size_t done, std::size_t total) const
        {
            return start + share * static_cast<double>(done) / static_cast<double>(total);
        }
    };

    bool operator==(const ImportProgress&) const = default;
};

// Receives an import's reports, synchronously on the thread that runs it.
using ImportProgressHandler = std::function<void(const ImportProgress&)>;

// The flag of an import that nobody stops.
inline const std::atomic<bool> importNeverStopped {false};

// The reports of an import that `stop` ends: each report first throws
// ImportError::cancelled once the flag is set.
ImportProgressHandler stoppingAtReports(const ImportProgressHandler& progress, const std::atomic<bool>& stop);

} // namespace morvena
