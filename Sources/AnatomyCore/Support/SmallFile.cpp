#include "AnatomyCore/Support/SmallFile.h"

#include "AnatomyCore/Support/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

namespace morvena::SmallFile {

std::optional<std::string> read(const std::filesystem::path& path, std::size_t maxBytes)
{
    // O_NONBLOCK keeps a FIFO planted at the path from blocking the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status { };
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)
        || static_cast<std::uint64_t>(status.st_size) > maxBytes)
        return std::nullopt;
    // One byte more than allowed tells a file that grew while being read.
    std::string bytes(static_cast<std::size_t>(status.st_size) + 1, '\0');
    auto count = file.readFully(std::as_writable_bytes(std::span(bytes)));
    if (!count || *count >= bytes.size())
        return std::nullopt;
    bytes.resize(*count);
    return bytes;
}

} // namespace morvena::SmallFile
