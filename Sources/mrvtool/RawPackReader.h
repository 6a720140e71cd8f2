#pragma once

#include "AnatomyCore/Pack/PackFile.h"
#include "AnatomyCore/Pack/PackStructure.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace morvena::tool {

// A geometry pack mapped for verification. MeshPack refuses a pack as a whole when
// any record is damaged; verification has to say which records are, so this reader
// checks only what every later read depends on (magic, version and the sections
// lying inside the file, with MeshPack's errors) and hands the records out as
// stored. Nothing read here may be used to index the sections without a check.
class RawPackReader {
public:
    explicit RawPackReader(const std::filesystem::path& url);

    std::span<const PackStructure> structures() const { return structures_; }
    std::span<const std::uint32_t> indices() const { return indices_; }
    std::size_t vertexCount() const { return vertexCount_; }
    // The stored bytes up to the string's NUL; empty when the record or its offset
    // lies outside the pack.
    std::string conceptID(std::size_t structureIndex) const;

private:
    PackFile file_;
    std::span<const PackStructure> structures_;
    std::span<const std::uint32_t> indices_;
    std::size_t vertexCount_ = 0;
    std::span<const char> strings_;
};

} // namespace morvena::tool
