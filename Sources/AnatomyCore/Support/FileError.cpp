#include "AnatomyCore/Support/FileError.h"

#include "AnatomyCore/Support/SystemText.h"

namespace morvena {

FileError::FileError(std::string_view action, const std::filesystem::path& path, std::error_code code)
    : std::system_error(code)
    , reason_(SystemText::reason(code))
    , description_(std::string(action) + " " + path.string() + ": " + reason_)
{
}

FileError::FileError(std::string_view action, const std::filesystem::path& path, int errorNumber)
    : FileError(action, path, std::error_code(errorNumber, std::generic_category()))
{
}

FileError::FileError(
    std::string_view action, const std::filesystem::path& path, std::errc code, std::string_view reason)
    : std::system_error(std::make_error_code(code))
    , reason_(reason)
    , description_(std::string(action) + " " + path.string() + ": " + reason_)
{
}

const char* FileError::what() const noexcept
{
    return description_.c_str();
}

} // namespace morvena
