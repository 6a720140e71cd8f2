#include "AnatomyCore/Support/FileError.h"

#include <cerrno>

namespace morvena {

namespace {

std::string reason(std::error_code code)
{
    const auto condition = code.default_error_condition();
    if (condition.category() == std::generic_category()
        && (condition.value() == ENOSPC || condition.value() == EDQUOT))
        return "il disco è pieno";
    return code.message();
}

} // namespace

FileError::FileError(std::string_view action, const std::filesystem::path& path, std::error_code code)
    : std::system_error(code)
    , description_(std::string(action) + " " + path.string() + ": " + reason(code))
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
