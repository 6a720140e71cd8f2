#include "AnatomyCore/Archive/Internal/ArchiveBlockReader.h"

#include "AnatomyCore/Archive/ArchiveError.h"
#include "AnatomyCore/Archive/Internal/ArchiveBlocks.h"
#include "AnatomyCore/Support/SystemText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace morvena {

namespace {

// Read-ahead per batch; with the largest accepted block size a batch is one
// block, so a hostile header cannot claim more than this times two.
constexpr std::uint64_t batchBytes = 16 << 20;

} // namespace

ArchiveBlockReader::ArchiveBlockReader(const FileDescriptor& file, unsigned threads)
    : file_(file)
    , threads_(ArchiveBlocks::threadCount(threads))
{
    std::byte header[ArchiveBlocks::streamHeaderSize];
    if (readFile(header) != sizeof header
        || std::memcmp(header, ArchiveBlocks::magic.data(), ArchiveBlocks::magic.size()) != 0)
        throw ArchiveError::damaged("il file non è un archivio compresso a blocchi");
    blockSize_ = ArchiveBlocks::bigEndian64(header + 4);
    if (blockSize_ == 0 || blockSize_ > ArchiveBlocks::maxBlockSize)
        throw ArchiveError::damaged(
            "dimensione dei blocchi non ammessa (" + std::to_string(blockSize_) + " byte)");
    slots_.resize(std::clamp<std::uint64_t>(batchBytes / blockSize_, 1, threads_));
}

std::size_t ArchiveBlockReader::readFile(std::span<std::byte> buffer)
{
    auto count = file_.readFully(buffer);
    if (!count)
        throw ArchiveError("Lettura dell'archivio non riuscita: "
            + SystemText::reason(std::error_code(errno, std::generic_category())) + ".");
    return *count;
}

// Reads one block's header and stored bytes into a slot; false at the clean
// end of the container.
bool ArchiveBlockReader::readStoredBlock(std::size_t slot)
{
    std::byte header[ArchiveBlocks::blockHeaderSize];
    std::size_t got = readFile(header);
    if (got == 0)
        return false;
    if (got != sizeof header)
        throw ArchiveError::damaged("intestazione di blocco troncata");
    std::uint64_t rawSize = ArchiveBlocks::bigEndian64(header);
    std::uint64_t storedSize = ArchiveBlocks::bigEndian64(header + 8);
    // A block may not claim more than the stream's block size: no block can
    // make the reader allocate or write beyond what the header promised.
    if (rawSize == 0 || rawSize > blockSize_ || storedSize == 0 || storedSize > rawSize)
        throw ArchiveError::damaged("dimensioni di blocco non valide");
    auto& [stored, raw] = slots_[slot];
    stored.resize(storedSize);
    if (readFile(stored) != storedSize)
        throw ArchiveError::damaged("blocco troncato");
    raw.resize(rawSize);
    return true;
}

bool ArchiveBlockReader::loadNextBatch()
{
    loaded_ = 0;
    while (loaded_ < slots_.size() && readStoredBlock(loaded_))
        ++loaded_;
    ArchiveBlocks::runInParallel(loaded_, threads_,
        [this](std::size_t index) { ArchiveBlocks::decode(slots_[index].stored, slots_[index].raw); });
    current_ = 0;
    position_ = 0;
    return loaded_ > 0;
}

std::size_t ArchiveBlockReader::read(std::span<std::byte> buffer)
{
    std::size_t total = 0;
    while (total < buffer.size()) {
        if (current_ < loaded_ && position_ == slots_[current_].raw.size()) {
            ++current_;
            position_ = 0;
        }
        if (current_ == loaded_ && !loadNextBatch())
            break;
        const auto& raw = slots_[current_].raw;
        std::size_t count = std::min(buffer.size() - total, raw.size() - position_);
        std::memcpy(buffer.data() + total, raw.data() + position_, count);
        position_ += count;
        total += count;
    }
    return total;
}

void ArchiveBlockReader::readExactly(std::span<std::byte> buffer)
{
    if (read(buffer) != buffer.size())
        throw ArchiveError::damaged("l'archivio è troncato");
}

} // namespace morvena
