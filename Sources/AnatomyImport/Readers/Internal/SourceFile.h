#pragma once

#include "AnatomyCore/Support/FileMapping.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

namespace morvena {

// The whole content of one input file of an import, memory-mapped read-only
// (unmapped when the object goes). Only regular files are read, links
// followed: a FIFO would hang the import and a device such as /dev/zero never
// ends. An empty file gives an empty span.
class SourceFile {
public:
    // A path that names no regular file once links are followed; what() is
    // the Italian reason, without the path.
    class NotRegular : public std::system_error {
    public:
        NotRegular();
        const char* what() const noexcept override;
    };

    // Throws NotRegular, or std::system_error with the path when the file
    // cannot be opened or mapped (a folder among them).
    explicit SourceFile(const std::filesystem::path& path);

    std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

private:
    FileMapping mapping_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace morvena
