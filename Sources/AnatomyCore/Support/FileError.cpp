#include "AnatomyCore/Support/FileError.h"

#include <string>

namespace morvena {

FileError::FileError(std::string_view action, const std::filesystem::path& path, std::error_code code)
    : std::system_error(code, std::string(action) + " " + path.string())
{
}

FileError::FileError(std::string_view action, const std::filesystem::path& path, int errorNumber)
    : FileError(action, path, std::error_code(errorNumber, std::generic_category()))
{
}

} // namespace morvena
