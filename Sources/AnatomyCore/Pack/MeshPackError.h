#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace morvena {

// Why a geometry pack could not be opened or written; what() is the Italian
// description shown to the user.
class MeshPackError : public std::runtime_error {
public:
    enum class Kind {
        cannotOpen, // the file cannot be opened, is not a regular file or cannot be mapped
        badVersion,
        badMagic,
        truncated, // too short, or a section or record lies outside the file
        tooLarge, // the builder's data exceeds the format's 32-bit fields
    };

    // `reason` is a clause, such as SystemText gives.
    static MeshPackError cannotOpen(const std::string& path, std::string_view reason);
    static MeshPackError badVersion(std::uint32_t version);
    static MeshPackError badMagic();
    static MeshPackError truncated();
    static MeshPackError tooLarge();

    Kind kind() const { return kind_; }
    // The path of cannotOpen, empty otherwise.
    const std::string& path() const { return path_; }
    // The version of badVersion, 0 otherwise.
    std::uint32_t version() const { return version_; }

private:
    MeshPackError(Kind kind, const std::string& message, std::string path = {}, std::uint32_t version = 0);

    Kind kind_;
    std::string path_;
    std::uint32_t version_;
};

} // namespace morvena
