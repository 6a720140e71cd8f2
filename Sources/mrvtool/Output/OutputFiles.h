#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>

namespace morvena::tool {

// Folders and files that commands write for the user; failures throw FileError
// with the Italian description of what failed and where.
namespace OutputFiles {

// Creates the folder with its missing parents; an existing folder is fine.
void makeFolder(const std::filesystem::path& folder);
// Writes the whole file in place, replacing an earlier one. Not staged: for
// files that are many and rebuilt whole by the next run.
void replace(const std::filesystem::path& file, std::span<const std::byte> bytes);
void replace(const std::filesystem::path& file, std::string_view text);

// Writes a file named on the command line. A missing file or a regular one, also
// one reached through symbolic links, is replaced whole at the links' final target,
// so a reader never sees half a file and the links stay links. Anything else is
// written in place, since putting a file in its stead would break what it stands
// for: a FIFO or device is opened and written, and a descriptor of this process
// (/dev/stdout, /dev/fd/N) is written through, continuing at its offset.
void deliver(const std::filesystem::path& file, std::span<const std::byte> bytes);
void deliver(const std::filesystem::path& file, std::string_view text);

} // namespace OutputFiles

} // namespace morvena::tool
