#include "AnatomyCore/Archive/ArchiveError.h"

namespace morvena {

ArchiveError::ArchiveError(const std::string& message)
    : std::runtime_error(message)
{
}

ArchiveError ArchiveError::damaged(const std::string& detail)
{
    return ArchiveError("Archivio del dataset danneggiato o non valido: " + detail + ".");
}

} // namespace morvena
