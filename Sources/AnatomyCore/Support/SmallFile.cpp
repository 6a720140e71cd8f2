#include "AnatomyCore/Support/SmallFile.h"

#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace morvena::SmallFile {

namespace {

constexpr std::string_view readAction = "Impossibile leggere il file";

} // namespace

std::string load(const std::filesystem::path& path, std::size_t maxBytes)
{
    // O_NONBLOCK keeps a FIFO planted at the path from blocking the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status { };
    if (!file || ::fstat(file.get(), &status) != 0)
        throw FileError(readAction, path, errno);
    if (S_ISDIR(status.st_mode))
        throw FileError(readAction, path, EISDIR);
    if (!S_ISREG(status.st_mode))
        throw FileError(readAction, path, std::errc::invalid_argument, "non è un file regolare");
    if (static_cast<std::uint64_t>(status.st_size) > maxBytes)
        throw FileError(readAction, path, std::errc::file_too_large,
            "è più grande dei " + std::to_string(maxBytes >> 10) + " KiB che un file come questo può avere");
    // One byte more than allowed tells a file that grew while being read.
    std::string bytes(static_cast<std::size_t>(status.st_size) + 1, '\0');
    auto count = file.readFully(std::as_writable_bytes(std::span(bytes)));
    if (!count)
        throw FileError(readAction, path, errno);
    if (*count >= bytes.size())
        throw FileError(readAction, path, std::errc::io_error, "il file è cambiato durante la lettura");
    bytes.resize(*count);
    return bytes;
}

std::optional<std::string> read(const std::filesystem::path& path, std::size_t maxBytes)
{
    try {
        return load(path, maxBytes);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

} // namespace morvena::SmallFile
