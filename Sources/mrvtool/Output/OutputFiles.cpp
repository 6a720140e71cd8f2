#include "mrvtool/Output/OutputFiles.h"

#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyCore/Support/FileError.h"

#include <fcntl.h>

#include <cerrno>

namespace morvena::tool::OutputFiles {

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
    replace(file, std::as_bytes(std::span(text.data(), text.size())));
}

} // namespace morvena::tool::OutputFiles
