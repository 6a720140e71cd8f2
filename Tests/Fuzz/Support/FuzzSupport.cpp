#include "FuzzSupport.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace morvena::fuzz {

namespace fs = std::filesystem;

const fs::path& sandbox()
{
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "morvena-fuzz-XXXXXX").string();
        require(::mkdtemp(pattern.data()) != nullptr);
        return fs::path(pattern);
    }();
    return folder;
}

void writeFile(const fs::path& path, Bytes bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    require(file != nullptr);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    require(std::fclose(file) == 0 && written);
}

const std::string& memoryFile(Bytes bytes)
{
    static const int file = ::memfd_create("fuzz-input", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    require(file >= 0 && ::ftruncate(file, 0) == 0
        && ::pwrite(file, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
    return path;
}

void resetFolder(const fs::path& folder)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
}

std::vector<Bytes> splitParts(Bytes input, std::size_t maxParts)
{
    std::vector<Bytes> parts;
    while (parts.size() + 1 < maxParts) {
        auto at = std::search(input.begin(), input.end(), partSeparator.begin(), partSeparator.end());
        if (at == input.end())
            break;
        const auto length = static_cast<std::size_t>(at - input.begin());
        parts.push_back(input.first(length));
        input = input.subspan(length + partSeparator.size());
    }
    parts.push_back(input);
    return parts;
}

} // namespace morvena::fuzz
