#include "AnatomyCore/Support/FailureText.h"

#include "AnatomyCore/Support/SystemText.h"

#include <filesystem>
#include <new>

namespace morvena::FailureText {

namespace {

// The library's sentence names the call in English; the paths and the reason
// are what the user can act on.
std::string ofFileSystem(const std::filesystem::filesystem_error& error)
{
    std::string paths = error.path1().string();
    if (!error.path2().empty())
        paths += " e " + error.path2().string();
    const std::string place
        = paths.empty() ? "Operazione sul disco non riuscita" : "Operazione non riuscita su " + paths;
    return place + ": " + SystemText::reason(error.code());
}

} // namespace

std::string of(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return "memoria esaurita";
    if (const auto* fileSystem = dynamic_cast<const std::filesystem::filesystem_error*>(&error))
        return ofFileSystem(*fileSystem);
    return error.what();
}

} // namespace morvena::FailureText
