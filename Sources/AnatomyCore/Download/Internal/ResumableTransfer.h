#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace morvena {

// Downloads one address into an open file, resuming after interruptions.
//
// A resumption asks for the missing bytes ("Range: bytes=N-") only when the
// interrupted response carried a validator (a strong ETag, else Last-Modified),
// sent back in If-Range: if the file changed meanwhile the server answers 200
// with the whole new file and the transfer starts again from zero. A 206 whose
// Content-Range does not continue exactly where the file ends, and a transfer
// without a validator, start over from zero too, so a resumed file is never
// stitched together from two versions.
class ResumableTransfer {
public:
    struct Options {
        std::string address;
        // Reported as the total when the server announces no length.
        std::int64_t expectedBytes = 0;
        // The transfer fails once the file would grow beyond this.
        std::int64_t maximumBytes = 0;
        int resumptions = 3;
        std::chrono::seconds idleTimeout {60};
        std::chrono::seconds totalTimeout {3600};
    };

    struct Outcome {
        enum class Kind { completed, cancelled, failed };
        Kind kind = Kind::failed;
        std::string message; // the Italian failure text
    };

    // Bytes in the file so far and bytes expected; received never exceeds total.
    using Progress = std::function<void(std::int64_t received, std::int64_t total)>;

    // Writes the body into `descriptor` from offset 0, truncating it whenever
    // the transfer starts over. Returns cancelled, without reporting anything
    // more, as soon as `cancelled` is set.
    static Outcome run(
        const Options& options, int descriptor, const std::atomic<bool>& cancelled, const Progress& progress);
};

} // namespace morvena
