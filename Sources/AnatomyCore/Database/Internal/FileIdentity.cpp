#include "AnatomyCore/Database/Internal/FileIdentity.h"

#include <sys/stat.h>

namespace morvena {

FileIdentity::FileIdentity(const std::filesystem::path& file)
{
    std::error_code error;
    // A later change of the working folder must not read as a replaced file.
    path_ = std::filesystem::absolute(file, error);
    if (!error)
        opened_ = of(path_);
}

bool FileIdentity::replaced() const
{
    return opened_ && of(path_) != opened_;
}

std::optional<FileIdentity::Identity> FileIdentity::of(const std::filesystem::path& file)
{
    struct stat status { };
    if (::stat(file.c_str(), &status) != 0)
        return std::nullopt;
    return Identity {status.st_dev, status.st_ino};
}

} // namespace morvena
