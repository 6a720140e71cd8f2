#pragma once

#include "AnatomyCore/Support/FileDescriptor.h"

#include <filesystem>
#include <span>
#include <string_view>

namespace morvena {

// A file that replaces `target` only when it is complete: bytes go to a
// temporary file beside the target (same folder, so the same file system) and
// commit() renames it into place. A reader, or a process that has mapped the
// old file, never sees a half-written one. Without commit() the temporary file
// is removed when the object goes. Throws FileError.
class AtomicFile {
public:
    // The target's folder must exist. The file gets mode 0644.
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    int descriptor() const { return file_.get(); }
    const std::filesystem::path& temporaryPath() const { return temporary_; }

    void write(std::span<const std::byte> bytes);
    void write(std::string_view bytes);
    // Instead of write(): makes the file `length` bytes long, all zero, with
    // its disk space reserved, and maps it for writing, so that several threads
    // can fill it at once. The mapping ends with commit() or with the object.
    // Called at most once.
    std::span<std::byte> mapForWriting(std::size_t length);
    // Flushes the data to disk, closes the file and renames it over the target.
    void commit();

    // The whole file in one call.
    static void write(const std::filesystem::path& target, std::string_view bytes);

private:
    void discard() noexcept;
    void unmap() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    FileDescriptor file_;
    std::span<std::byte> mapping_;
    bool committed_ = false;
};

} // namespace morvena
