#include "AnatomyCore/Support/FailureText.h"

#include "AnatomyCore/Support/SystemText.h"

#include <filesystem>
#include <ios>
#include <new>
#include <system_error>
#include <typeinfo>

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

// The library's own system errors (a thread that cannot start, a stream that
// fails) carry its English words; the program's own kinds say theirs in Italian.
const std::system_error* libraryError(const std::exception& error)
{
    if (typeid(error) == typeid(std::system_error) || dynamic_cast<const std::ios_base::failure*>(&error))
        return static_cast<const std::system_error*>(&error);
    return nullptr;
}

} // namespace

std::string of(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return "memoria esaurita";
    if (const auto* fileSystem = dynamic_cast<const std::filesystem::filesystem_error*>(&error))
        return ofFileSystem(*fileSystem);
    if (const auto* system = libraryError(error))
        return "Operazione di sistema non riuscita: " + SystemText::reason(system->code());
    return error.what();
}

} // namespace morvena::FailureText
