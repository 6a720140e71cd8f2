#include "AnatomyCore/Support/FileError.h"

#include "AnatomyCore/Support/SystemText.h"

namespace morvena {

FileError::FileError(std::string_view action, const std::filesystem::path& path, std::error_code code)
    : std::system_error(code)
    , description_(std::string(action) + " " + path.string() + ": " + SystemText::reason(code))
{
}

FileError::FileError(std::string_view action, const std::filesystem::path& path, int errorNumber)
    : FileError(action, path, std::error_code(errorNumber, std::generic_category()))
{
}

const char* FileError::what() const noexcept
{
    return description_.c_str();
}

} // namespace morvena
