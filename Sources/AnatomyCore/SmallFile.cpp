#include "AnatomyCore/SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace morvena::SmallFile {

namespace {

struct Descriptor {
    int value = -1;
    ~Descriptor()
    {
        if (value >= 0)
            ::close(value);
    }
};

} // namespace

std::optional<std::string> read(const std::filesystem::path& path, std::size_t maxBytes)
{
    // O_NONBLOCK keeps a FIFO planted at the path from blocking the open.
    Descriptor file {::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    struct stat status { };
    if (file.value < 0 || ::fstat(file.value, &status) != 0 || !S_ISREG(status.st_mode)
        || static_cast<std::uint64_t>(status.st_size) > maxBytes)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(file.value, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            return bytes;
        if (bytes.size() + static_cast<std::size_t>(count) > maxBytes)
            return std::nullopt; // grew while being read
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

} // namespace morvena::SmallFile
