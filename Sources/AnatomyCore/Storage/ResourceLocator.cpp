#include "AnatomyCore/Storage/ResourceLocator.h"

#include <system_error>

namespace morvena::ResourceLocator {

std::filesystem::path executableFolder()
{
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path();
    return exe.parent_path();
}

std::filesystem::path moduleFolder(std::string_view module)
{
    return executableFolder().parent_path() / "share" / "morvena" / std::string(module);
}

std::filesystem::path resource(std::string_view module, std::string_view fileName)
{
    return moduleFolder(module) / std::string(fileName);
}

} // namespace morvena::ResourceLocator
