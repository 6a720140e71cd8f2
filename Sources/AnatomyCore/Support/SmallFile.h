#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace morvena {

// Reading small documents of ours (manifests, settings) whole.
namespace SmallFile {

// The bytes of a regular file of at most `maxBytes`, or nothing when the file
// is missing, unreadable, not a regular file or larger; a hostile or mistaken
// path never makes the reader swallow a huge file.
std::optional<std::string> read(const std::filesystem::path& path, std::size_t maxBytes = 16 << 20);

} // namespace SmallFile

} // namespace morvena
