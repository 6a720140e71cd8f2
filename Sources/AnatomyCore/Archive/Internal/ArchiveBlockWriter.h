#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace morvena {

// Cuts an entry stream into blocks and hands the coded container bytes to a
// sink (see ArchiveBlocks). Up to `threads` blocks are coded at once; the
// output does not depend on the thread count.
class ArchiveBlockWriter {
public:
    using Sink = std::function<void(std::span<const std::byte>)>;

    // Sends the stream header at once. threads 0 means one per processor.
    explicit ArchiveBlockWriter(Sink sink, unsigned threads = 0);
    ArchiveBlockWriter(const ArchiveBlockWriter&) = delete;
    ArchiveBlockWriter& operator=(const ArchiveBlockWriter&) = delete;

    void write(std::span<const std::byte> bytes);
    // Codes and sends what is still buffered; the writer takes nothing after.
    void finish();

private:
    void codePending();

    Sink sink_;
    unsigned threads_;
    std::vector<std::byte> pending_;
};

} // namespace morvena
