#pragma once

#include <stdexcept>
#include <string>

namespace morvena {

// A dataset archive that cannot be written, or whose bytes are not a
// well-formed, safe archive (damaged, truncated, hostile entries). The message
// is Italian and says what was wrong.
class ArchiveError : public std::runtime_error {
public:
    explicit ArchiveError(const std::string& message);
    // "Archivio del dataset danneggiato o non valido: " + detail + "."
    static ArchiveError damaged(const std::string& detail);
};

} // namespace morvena
