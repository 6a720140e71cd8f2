#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace morvena {

// Reading small documents of ours (manifests, settings) whole.
namespace SmallFile {

inline constexpr std::size_t defaultMaxBytes = 16 << 20;

// The bytes of a regular file of at most `maxBytes`; a hostile or mistaken
// path never makes the reader swallow a huge file. Throws FileError, which
// says why, when the file is missing, unreadable, not a regular file, larger,
// or grows while it is read.
std::string load(const std::filesystem::path& path, std::size_t maxBytes = defaultMaxBytes);
// The same, or nothing where load throws.
std::optional<std::string> read(const std::filesystem::path& path, std::size_t maxBytes = defaultMaxBytes);

} // namespace SmallFile

} // namespace morvena
