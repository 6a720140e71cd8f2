#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvena::fuzz {

using Bytes = std::span<const std::uint8_t>;

// Crashes the run, so that libFuzzer keeps the input, when a reader breaks a
// promise its callers rely on.
inline void require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

inline Bytes bytesOf(const std::uint8_t* data, std::size_t size)
{
    return {data, size};
}
inline std::string_view textOf(Bytes bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A folder of this process's own under the temporary folder, made on first use
// and left to the caller.
const std::filesystem::path& sandbox();

// Replaces the file's content with the bytes; traps when it cannot.
void writeFile(const std::filesystem::path& path, Bytes bytes);

// The path of a file in memory that now holds the bytes, for readers that map
// their file; every call reuses the one file. Traps when it cannot be written.
const std::string& memoryFile(Bytes bytes);

// Empties the folder, making it when it is missing.
void resetFolder(const std::filesystem::path& folder);

// The input cut at every occurrence of the separator line, so that inputs made of
// several files stay readable text in the seed corpus. Parts past `maxParts`
// stay in the last part.
std::vector<Bytes> splitParts(Bytes input, std::size_t maxParts);
inline constexpr std::string_view partSeparator = "\n=====\n";

} // namespace morvena::fuzz
