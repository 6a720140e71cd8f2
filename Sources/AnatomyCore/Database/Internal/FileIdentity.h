#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace morvena {

// Which file a path named when a database was opened. A new import or download
// puts a new folder in place of a dataset's while connections to its old
// database may still be open; comparing identities tells them apart.
class FileIdentity {
public:
    // Nothing is recorded when the file cannot be looked at; replaced() is then false.
    explicit FileIdentity(const std::filesystem::path& file);

    // Whether the path now names another file, or none.
    bool replaced() const;

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const Identity&) const = default;
    };
    static std::optional<Identity> of(const std::filesystem::path& file);

    std::filesystem::path path_;
    std::optional<Identity> opened_;
};

} // namespace morvena
