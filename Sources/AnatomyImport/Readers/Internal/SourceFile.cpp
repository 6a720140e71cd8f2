#include "AnatomyImport/Readers/Internal/SourceFile.h"

#include "AnatomyCore/Support/SystemText.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvena {

namespace {

[[noreturn]] void fail()
{
    const int error = errno;
    throw SourceFile::Refused(static_cast<std::errc>(error), SystemText::reason(error));
}

std::string mebibytes(std::size_t bytes)
{
    constexpr std::size_t mebibyte = std::size_t(1) << 20;
    return std::to_string((bytes + mebibyte - 1) / mebibyte) + " MiB";
}

} // namespace

SourceFile::Refused::Refused(std::errc code, std::string reason)
    : std::system_error(std::make_error_code(code))
    , reason_(std::move(reason))
{
}

const char* SourceFile::Refused::what() const noexcept
{
    return reason_.c_str();
}

SourceFile::SourceFile(const std::filesystem::path& path)
    : SourceFile(path, Seams {})
{
}

FileDescriptor SourceFile::open(const std::filesystem::path& path)
{
    // Non-blocking, so that opening a FIFO returns at once to be refused.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        fail();
    return file;
}

SourceFile::SourceFile(const std::filesystem::path& path, const Seams& seams)
    : SourceFile(open(path), seams)
{
}

SourceFile::SourceFile(const FileDescriptor& file, const Seams& seams)
{
    struct stat info { };
    if (::fstat(file.get(), &info) != 0)
        fail();
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        fail();
    }
    if (!S_ISREG(info.st_mode))
        throw Refused(std::errc::invalid_argument, "non è un file regolare");
    const auto size = static_cast<std::size_t>(info.st_size);
    auto& budget = seams.budget ? *seams.budget : ByteBudget::forInputFiles();
    if (size > budget.limit())
        throw Refused(std::errc::file_too_large,
            "file di " + mebibytes(size) + ", più di metà della memoria del computer");
    if (size == 0)
        return;
    auto share = budget.take(size);
    if (!share)
        throw Refused(std::errc::file_too_large,
            "i file del modello letti insieme superano metà della memoria del computer");
    share_ = std::move(*share);
    data_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    if (seams.beforeReading)
        seams.beforeReading();
    const auto count = file.readFully({reinterpret_cast<std::byte*>(data_.get()), size});
    if (!count)
        fail();
    if (*count < size)
        throw Refused(std::errc::io_error, "il file è cambiato durante la lettura");
    size_ = size;
}

} // namespace morvena
