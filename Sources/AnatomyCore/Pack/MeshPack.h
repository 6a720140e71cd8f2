#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Pack/PackFile.h"
#include "AnatomyCore/Pack/PackStructure.h"
#include "AnatomyCore/Pack/PackVertex.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

namespace morvena {

// A geometry pack opened read-only and mapped into memory for the object's
// lifetime. Records, vertices, indices and strings are read in place: every
// span and pointer handed out points into the mapping and is valid only while
// the pack lives. Opening checks every structure record, vertex owner and index
// against the mapped sections, so consumers may index the sections with them
// directly. Throws MeshPackError when the file cannot be used.
//
// Not copyable; share it through std::shared_ptr. After construction everything
// but the concept index cache is immutable.
class MeshPack {
public:
    explicit MeshPack(std::filesystem::path url);
    ~MeshPack();
    MeshPack(const MeshPack&) = delete;
    MeshPack& operator=(const MeshPack&) = delete;

    const std::filesystem::path& url() const { return url_; }
    // The file's size, which is also the mapping's length.
    std::size_t byteCount() const { return byteCount_; }
    std::size_t structureCount() const { return structureCount_; }
    std::size_t vertexCount() const { return vertexCount_; }
    std::size_t indexCount() const { return indexCount_; }
    std::size_t lodCount() const { return lodCount_; }
    Float3 boundsMin() const { return boundsMin_; }
    Float3 boundsMax() const { return boundsMax_; }
    const std::string& datasetName() const { return datasetName_; }
    const std::string& attribution() const { return attribution_; }

    std::span<const PackStructure> structures() const;
    std::span<const PackVertex> vertices() const;
    std::span<const std::uint32_t> indices() const;

    // For wrapping or copying the sections into GPU buffers.
    const void* verticesPointer() const;
    const void* indicesPointer() const;
    std::size_t verticesByteCount() const { return vertexCount_ * PackFormat::vertexStride; }
    std::size_t indicesByteCount() const { return indexCount_ * sizeof(std::uint32_t); }

    // The NUL-terminated UTF-8 string at `offset` in the string section
    // (invalid sequences become U+FFFD); empty when the offset is past the section.
    std::string string(std::uint64_t offset) const;
    // Empty for an index outside 0 ..< structureCount.
    std::string name(std::int64_t structureIndex) const;
    std::string conceptID(std::int64_t structureIndex) const;

    // Concept ID to structure index, built on first use (not thread-safe); a
    // concept ID carried by several records maps to the last of them.
    const std::unordered_map<std::string, std::int64_t>& indexByConceptID();
    void setIndexByConceptID(std::unordered_map<std::string, std::int64_t> index);

    // Level-0 indices / 3.
    std::size_t triangleCount() const;
    // Indices at one level over all structures; levels outside 0..2 count level 3.
    std::size_t indexCountForLOD(int lod) const;
    Float3 center() const;
    float radius() const;

private:
    const std::byte* section(std::uint64_t offset) const { return base_ + offset; }

    std::filesystem::path url_;
    PackFile file_;
    const std::byte* base_ = nullptr;
    std::size_t byteCount_ = 0;
    std::size_t structureCount_ = 0;
    std::size_t vertexCount_ = 0;
    std::size_t indexCount_ = 0;
    std::size_t lodCount_ = 0;
    Float3 boundsMin_;
    Float3 boundsMax_;
    std::string datasetName_;
    std::string attribution_;
    std::uint64_t structuresOffset_ = 0;
    std::uint64_t verticesOffset_ = 0;
    std::uint64_t indicesOffset_ = 0;
    std::uint64_t stringsOffset_ = 0;
    std::uint64_t stringsLength_ = 0;
    std::optional<std::unordered_map<std::string, std::int64_t>> indexByConceptID_;
};

} // namespace morvena
