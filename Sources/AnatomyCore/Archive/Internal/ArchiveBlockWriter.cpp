#include "AnatomyCore/Archive/Internal/ArchiveBlockWriter.h"

#include "AnatomyCore/Archive/Internal/ArchiveBlocks.h"

#include <algorithm>

namespace morvena {

ArchiveBlockWriter::ArchiveBlockWriter(Sink sink, unsigned threads)
    : sink_(std::move(sink))
    , threads_(ArchiveBlocks::threadCount(threads))
{
    pending_.reserve(threads_ * ArchiveBlocks::blockSize);
    std::byte header[ArchiveBlocks::streamHeaderSize];
    std::copy_n(reinterpret_cast<const std::byte*>(ArchiveBlocks::magic.data()), 4, header);
    ArchiveBlocks::putBigEndian64(header + 4, ArchiveBlocks::blockSize);
    sink_(header);
}

void ArchiveBlockWriter::write(std::span<const std::byte> bytes)
{
    const std::size_t batch = threads_ * ArchiveBlocks::blockSize;
    while (!bytes.empty()) {
        std::size_t taken = std::min(bytes.size(), batch - pending_.size());
        pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
        bytes = bytes.subspan(taken);
        if (pending_.size() == batch)
            codePending();
    }
}

void ArchiveBlockWriter::finish()
{
    codePending();
}

// Blocks are coded side by side and sent in stream order.
void ArchiveBlockWriter::codePending()
{
    std::size_t count = (pending_.size() + ArchiveBlocks::blockSize - 1) / ArchiveBlocks::blockSize;
    std::vector<ArchiveBlocks::CodedBlock> coded(count);
    ArchiveBlocks::runInParallel(count, threads_, [&](std::size_t index) {
        auto raw = std::span(pending_).subspan(index * ArchiveBlocks::blockSize);
        coded[index]
            = ArchiveBlocks::code(raw.first(std::min<std::size_t>(raw.size(), ArchiveBlocks::blockSize)));
    });
    for (const auto& block : coded)
        sink_(block.bytes);
    pending_.clear();
}

} // namespace morvena
