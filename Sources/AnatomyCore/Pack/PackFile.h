#pragma once

#include "AnatomyCore/Pack/PackHeader.h"
#include "AnatomyCore/Support/FileMapping.h"

#include <filesystem>

namespace morvena {

// A geometry pack file mapped and checked as far as every later read depends
// on: a regular file longer than its header, the right magic and version, and
// four sections that lie inside the file at aligned offsets. The records
// themselves are not checked here: MeshPack refuses a pack with any damaged
// record, while verification reads them as stored to name the damage.
// Throws MeshPackError.
class PackFile {
public:
    explicit PackFile(const std::filesystem::path& url);

    const PackHeader& header() const { return header_; }
    const std::byte* data() const { return mapping_.data(); }
    std::size_t size() const { return mapping_.size(); }

private:
    FileMapping mapping_;
    PackHeader header_;
};

} // namespace morvena
