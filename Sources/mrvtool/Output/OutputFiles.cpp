#include "mrvtool/Output/OutputFiles.h"

#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <optional>
#include <string>

namespace morvena::tool::OutputFiles {

namespace {

namespace fs = std::filesystem;

// The kernel's own limit on links followed in one path.
constexpr int maximumLinkHops = 40;

std::span<const std::byte> bytesOf(std::string_view text)
{
    return std::as_bytes(std::span(text.data(), text.size()));
}

// Where the bytes go, found by following the links of the named path.
struct Destination {
    enum class Kind {
        replaceWhole, // a missing or regular file: replaced at `path`
        inPlace, // a FIFO, a device, a file behind another process's descriptor
        ownDescriptor, // /dev/stdout and the like: written through `descriptor`
    };
    Kind kind = Kind::inPlace;
    fs::path path;
    int descriptor = -1;
};

// The links of /proc/<pid>/fd, which /dev/stdout and /dev/fd/N lead to, name an
// open file rather than a path: their text may not even be one ("pipe:[4242]").
bool isDescriptorLink(const fs::path& link)
{
    struct statfs folder { };
    return ::statfs(link.parent_path().c_str(), &folder) == 0 && folder.f_type == PROC_SUPER_MAGIC;
}

// The descriptor number when a descriptor link is one of this process's own and
// open for writing. Writing through it moves its offset on, as a shell that opened
// it for the command (">", ">>", a pipe) expects.
std::optional<int> ownWritableDescriptor(const fs::path& link)
{
    std::error_code error;
    auto folder = fs::canonical(link.parent_path(), error);
    if (error || folder != fs::path("/proc") / std::to_string(::getpid()) / "fd")
        return std::nullopt;
    auto name = link.filename().string();
    int descriptor = -1;
    auto [end, failure] = std::from_chars(name.data(), name.data() + name.size(), descriptor);
    if (failure != std::errc() || end != name.data() + name.size() || descriptor < 0)
        return std::nullopt;
    int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
        return std::nullopt;
    return descriptor;
}

bool isMissingOrRegular(const fs::path& file)
{
    struct stat info { };
    if (::stat(file.c_str(), &info) != 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode);
}

// Follows the chain of symbolic links, each link's text taken as the kernel takes it.
Destination destinationOf(const fs::path& file)
{
    auto current = fs::absolute(file);
    for (int hop = 0; hop <= maximumLinkHops; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(current, error)))
            break;
        if (isDescriptorLink(current)) {
            if (auto descriptor = ownWritableDescriptor(current))
                return {Destination::Kind::ownDescriptor, file, *descriptor};
            return {Destination::Kind::inPlace, file};
        }
        auto text = fs::read_symlink(current, error);
        if (error)
            return {Destination::Kind::inPlace, file};
        // Not normalised: ".." after a linked folder is the kernel's to resolve.
        current = text.is_absolute() ? text : current.parent_path() / text;
    }
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(current, error)) || !isMissingOrRegular(current))
        return {Destination::Kind::inPlace, file};
    return {Destination::Kind::replaceWhole, current};
}

void writeInPlace(const fs::path& file, std::span<const std::byte> bytes)
{
    // No O_CREAT: whatever stood here a moment ago is what gets the bytes.
    FileDescriptor descriptor(::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!descriptor || !descriptor.writeAll(bytes) || !descriptor.close())
        throw FileError("Impossibile scrivere il file", file, errno);
}

void writeThrough(int descriptorNumber, const fs::path& file, std::span<const std::byte> bytes)
{
    FileDescriptor borrowed(descriptorNumber);
    bool written = borrowed.writeAll(bytes);
    int error = errno;
    borrowed.release(); // the descriptor stays the process's
    if (!written)
        throw FileError("Impossibile scrivere il file", file, error);
}

} // namespace

void makeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw FileError("Impossibile creare la cartella", folder, error);
}

void replace(const std::filesystem::path& file, std::span<const std::byte> bytes)
{
    FileDescriptor descriptor(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!descriptor || !descriptor.writeAll(bytes) || !descriptor.close())
        throw FileError("Impossibile scrivere il file", file, errno);
}

void replace(const std::filesystem::path& file, std::string_view text)
{
    replace(file, bytesOf(text));
}

void deliver(const std::filesystem::path& file, std::span<const std::byte> bytes)
{
    auto destination = destinationOf(file);
    switch (destination.kind) {
    case Destination::Kind::replaceWhole: {
        AtomicFile replacement(destination.path);
        replacement.write(bytes);
        replacement.commit();
        return;
    }
    case Destination::Kind::ownDescriptor:
        writeThrough(destination.descriptor, file, bytes);
        return;
    case Destination::Kind::inPlace:
        writeInPlace(file, bytes);
        return;
    }
}

void deliver(const std::filesystem::path& file, std::string_view text)
{
    deliver(file, bytesOf(text));
}

} // namespace morvena::tool::OutputFiles
