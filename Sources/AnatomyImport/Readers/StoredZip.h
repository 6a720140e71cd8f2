#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvena {

// The entries of a zip archive whose members are stored without compression, as
// USDZ packages require. Works on the archive's bytes in place; every offset and
// size from the central directory is checked against them, and each entry's
// CRC-32 must match.
namespace StoredZip {

struct Entry {
    std::string name;
    std::span<const std::uint8_t> data; // inside the archive's bytes
};

class Error : public std::runtime_error {
public:
    enum class Reason {
        truncated, // the end record or a record it points to is cut off
        trailingBytes, // bytes after the end record (and its comment)
        compressed, // a member is compressed or encrypted
        malformed, // inconsistent records, a checksum mismatch, or zip64
    };
    Error(Reason reason, const std::string& detail);
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

// Entries in central-directory order; throws Error.
std::vector<Entry> entries(std::span<const std::uint8_t> archive);

} // namespace StoredZip

} // namespace morvena
