#pragma once

#include "AnatomyCore/Support/FileMapping.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace morvena {

// The whole content of one input file of an import, read-only: a regular file is
// memory-mapped (unmapped when the object goes), anything else (a pipe, a device)
// is read into memory. An empty file gives an empty span.
class SourceFile {
public:
    // Throws std::system_error when the file cannot be opened or read.
    explicit SourceFile(const std::filesystem::path& path);

    std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

private:
    FileMapping mapping_;
    std::vector<std::uint8_t> copy_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace morvena
