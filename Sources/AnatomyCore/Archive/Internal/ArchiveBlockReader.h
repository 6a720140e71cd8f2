#pragma once

#include "AnatomyCore/Support/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace morvena {

// Reads the entry stream back out of a block container (see ArchiveBlocks).
// A few blocks are read ahead and decoded side by side; memory stays bounded
// by that batch whatever the archive's size. Every size in the container is
// checked before use; a truncated block, bytes after the last block or a block
// that decodes to other than its declared size throw ArchiveError.
class ArchiveBlockReader {
public:
    // Reads the stream header from the file, which must outlive the reader;
    // throws ArchiveError when it is not a block container. threads 0 means
    // one per processor.
    explicit ArchiveBlockReader(const FileDescriptor& file, unsigned threads = 0);
    ArchiveBlockReader(const ArchiveBlockReader&) = delete;
    ArchiveBlockReader& operator=(const ArchiveBlockReader&) = delete;

    // Fills `buffer` as far as the stream goes; fewer bytes only at its end.
    std::size_t read(std::span<std::byte> buffer);
    // Fills all of `buffer` or throws ArchiveError: the stream ended early.
    void readExactly(std::span<std::byte> buffer);

private:
    bool loadNextBatch();
    bool readStoredBlock(std::size_t slot);
    std::size_t readFile(std::span<std::byte> buffer);

    struct Slot {
        std::vector<std::byte> stored;
        std::vector<std::byte> raw;
    };

    const FileDescriptor& file_;
    unsigned threads_;
    std::uint64_t blockSize_ = 0;
    std::vector<Slot> slots_; // one batch of blocks
    std::size_t loaded_ = 0; // blocks of the batch holding data
    std::size_t current_ = 0; // block being served
    std::size_t position_ = 0;
};

} // namespace morvena
