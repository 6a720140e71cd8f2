#pragma once

#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyImport/Readers/Internal/ByteBudget.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <system_error>

namespace morvena {

// The whole content of one input file of an import, read into memory up to
// the size the file had when opened. The copy is the reader's own: a file that
// an exporter or a sync client rewrites meanwhile cannot pull bytes from under
// it, as it could from a mapping. Only regular files are read, links followed:
// a FIFO would hang the import and a device such as /dev/zero never ends. An
// empty file gives an empty span.
class SourceFile {
public:
    // A file refused before or while it is read; what() is the Italian reason,
    // without the path, which the readers add.
    class Refused : public std::system_error {
    public:
        Refused(std::errc code, std::string reason);
        const char* what() const noexcept override;

    private:
        std::string reason_;
    };

    // Where tests step in. The budget's limit is the largest file read; the
    // hook runs between measuring the file and reading it.
    struct Seams {
        ByteBudget* budget = nullptr; // nullptr: ByteBudget::forInputFiles()
        std::function<void()> beforeReading;
    };

    // Opens `path` to be read; throws Refused with the system's reason when it
    // cannot. A FIFO opens at once, to be refused when read.
    static FileDescriptor open(const std::filesystem::path& path);

    // Throws Refused for a file that is not regular, is larger than the budget,
    // does not fit in it beside the files this thread holds open, or turns out
    // shorter than when opened, and with the system's reason for one that
    // cannot be opened or read (a folder among them). Waits while the budget
    // says.
    explicit SourceFile(const std::filesystem::path& path);
    SourceFile(const std::filesystem::path& path, const Seams& seams);
    // The same for `file`, opened by open(): a reader that tells files apart
    // by their descriptors reads the very file it looked at.
    SourceFile(const FileDescriptor& file, const Seams& seams);

    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

private:
    ByteBudget::Share share_;
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

} // namespace morvena
