#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace morvena::test {

inline void appendLE(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

inline std::uint32_t crc32Of(const std::string& data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// A zip archive of stored members, in order, as USDZ packages are written.
inline std::string storedZip(
    const std::vector<std::pair<std::string, std::string>>& members, const std::string& comment = "")
{
    std::string archive, directory;
    for (const auto& [name, data] : members) {
        const auto offset = static_cast<std::uint32_t>(archive.size());
        const std::uint32_t crc = crc32Of(data);
        appendLE(archive, 0x04034B50, 4);
        appendLE(archive, 10, 2); // version needed
        appendLE(archive, 0, 2); // flags
        appendLE(archive, 0, 2); // stored
        appendLE(archive, 0, 4); // time and date
        appendLE(archive, crc, 4);
        appendLE(archive, static_cast<std::uint32_t>(data.size()), 4);
        appendLE(archive, static_cast<std::uint32_t>(data.size()), 4);
        appendLE(archive, static_cast<std::uint32_t>(name.size()), 2);
        appendLE(archive, 0, 2);
        archive += name + data;

        appendLE(directory, 0x02014B50, 4);
        appendLE(directory, 20, 2);
        appendLE(directory, 10, 2);
        appendLE(directory, 0, 2);
        appendLE(directory, 0, 2);
        appendLE(directory, 0, 4);
        appendLE(directory, crc, 4);
        appendLE(directory, static_cast<std::uint32_t>(data.size()), 4);
        appendLE(directory, static_cast<std::uint32_t>(data.size()), 4);
        appendLE(directory, static_cast<std::uint32_t>(name.size()), 2);
        appendLE(directory, 0, 2); // extra
        appendLE(directory, 0, 2); // comment
        appendLE(directory, 0, 2); // disk
        appendLE(directory, 0, 2); // internal attributes
        appendLE(directory, 0, 4); // external attributes
        appendLE(directory, offset, 4);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    appendLE(archive, 0x06054B50, 4);
    appendLE(archive, 0, 2);
    appendLE(archive, 0, 2);
    appendLE(archive, static_cast<std::uint32_t>(members.size()), 2);
    appendLE(archive, static_cast<std::uint32_t>(members.size()), 2);
    appendLE(archive, static_cast<std::uint32_t>(directory.size()), 4);
    appendLE(archive, directoryOffset, 4);
    appendLE(archive, static_cast<std::uint32_t>(comment.size()), 2);
    return archive + comment;
}

} // namespace morvena::test
