#include "AnatomyCore/Storage/AppPaths.h"

#include "AnatomyCore/Storage/FolderSwap.h"
#include "AnatomyCore/Support/InvisibleCharacters.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

namespace morvena::AppPaths {

namespace {

constexpr std::string_view applicationFolderName = "Morvena";

// What no name of ours may hold, whenever it was made: it could leave the
// folder, or garble a message, a terminal or a folder listing showing it (the
// bidirectional controls reorder the text around them).
std::optional<std::string_view> pathProblem(std::string_view name)
{
    if (name.empty())
        return "è vuoto";
    if (name.size() > maxDatasetIDLength)
        return "è troppo lungo";
    if (name.front() == '.')
        return "inizia con un punto";
    if (name.find_first_of("/\\") != std::string_view::npos)
        return "contiene un separatore di percorso";
    if (name.find("..") != std::string_view::npos)
        return "contiene \"..\"";
    if (!UnicodeText::isValidUTF8(name))
        return "non è testo UTF-8 valido";
    if (UnicodeText::containsInvisibleControls(name))
        return "contiene caratteri di controllo";
    return std::nullopt;
}

// Zero-width characters hide inside a name, Hangul fillers and other ignorable
// ones show as nothing at all: two names would look alike.
std::optional<std::string_view> invisibleProblem(std::string_view name)
{
    if (InvisibleCharacters::containsRemovable(name))
        return "contiene caratteri invisibili";
    return std::nullopt;
}

// What else makes an id look like another or like none, refused after datasets
// were installed under such ids.
std::optional<std::string_view> lookalikeProblem(std::string_view id)
{
    if (InvisibleCharacters::containsUnseen(id))
        return "contiene caratteri invisibili";
    if (InvisibleCharacters::blankAtAnEnd(id))
        return "inizia o finisce con uno spazio";
    if (InvisibleCharacters::startsWithMark(id))
        return "inizia con un segno combinante";
    return std::nullopt;
}

bool present(const std::filesystem::path& path)
{
    struct stat found { };
    return ::lstat(path.c_str(), &found) == 0;
}

// Whether a dataset, with the user's rows, may lie in the folder or where a
// swap sets it aside: whatever its manifest says, or without one.
bool holdsDataset(const std::filesystem::path& folder)
{
    for (const auto& place : {folder, FolderSwap::setAsidePath(folder)})
        if (present(place / databaseFileName) || present(place / manifestFileName))
            return true;
    return false;
}

// What a message may quote of a refused id: printable, and short.
constexpr std::size_t quotedIDBytes = 60;

std::optional<std::filesystem::path> absoluteFromEnvironment(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || !*value)
        return std::nullopt;
    std::filesystem::path path(value);
    // Relative values are invalid for the XDG variables and would make the
    // location depend on the working folder.
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

std::filesystem::path homeDirectory()
{
    if (auto home = absoluteFromEnvironment("HOME"))
        return *home;
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return "/";
}

std::filesystem::path xdgDirectory(const char* variable, const char* fallbackBelowHome)
{
    if (auto path = absoluteFromEnvironment(variable))
        return *path;
    return homeDirectory() / fallbackBelowHome;
}

// XDG_PICTURES_DIR from the environment or from user-dirs.dirs, whose lines
// read XDG_PICTURES_DIR="$HOME/Pictures" or an absolute path.
std::optional<std::filesystem::path> configuredPicturesDirectory()
{
    if (auto path = absoluteFromEnvironment("XDG_PICTURES_DIR"))
        return path;
    std::ifstream file(xdgDirectory("XDG_CONFIG_HOME", ".config") / "user-dirs.dirs");
    constexpr std::string_view prefix = "XDG_PICTURES_DIR=\"";
    for (std::string line; std::getline(file, line);) {
        if (!line.starts_with(prefix) || !line.ends_with('"'))
            continue;
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.starts_with("$HOME/"))
            return homeDirectory() / value.substr(6);
        if (value.starts_with('/'))
            return std::filesystem::path(value);
    }
    return std::nullopt;
}

} // namespace

InvalidDatasetID::InvalidDatasetID(std::string_view id, std::string_view reason)
    : std::runtime_error("Identificativo di dataset non valido \""
        + UnicodeText::quotable(InvisibleCharacters::masked(id), quotedIDBytes) + "\": " + std::string(reason)
        + ".")
{
}

std::string quotedDatasetID(std::string_view id)
{
    return UnicodeText::quotable(InvisibleCharacters::masked(id), maxDatasetIDLength);
}

std::optional<std::string_view> unsafeNameReason(std::string_view name)
{
    if (auto problem = pathProblem(name))
        return problem;
    return invisibleProblem(name);
}

std::optional<std::string_view> newDatasetIDReason(std::string_view id)
{
    if (auto problem = unsafeNameReason(id))
        return problem;
    return lookalikeProblem(id);
}

std::optional<std::string_view> datasetIDReason(std::string_view id, const std::filesystem::path& folder)
{
    if (auto problem = pathProblem(id))
        return problem;
    auto problem = newDatasetIDReason(id);
    // The user's notes live in a dataset installed before its id was refused.
    if (problem && holdsDataset(folder))
        return std::nullopt;
    return problem;
}

std::optional<std::string_view> datasetIDReason(std::string_view id)
{
    // Checked before the id becomes part of a path.
    if (auto problem = pathProblem(id))
        return problem;
    return datasetIDReason(id, datasetsDirectory() / id);
}

bool isValidDatasetID(std::string_view id)
{
    return !datasetIDReason(id);
}

void validateDatasetID(std::string_view id)
{
    if (auto reason = datasetIDReason(id))
        throw InvalidDatasetID(id, *reason);
}

std::filesystem::path applicationSupport()
{
    return xdgDirectory("XDG_DATA_HOME", ".local/share") / applicationFolderName;
}

std::filesystem::path datasetsDirectory()
{
    return applicationSupport() / "datasets";
}

std::filesystem::path datasetDirectory(std::string_view id)
{
    validateDatasetID(id);
    return datasetsDirectory() / id;
}

std::filesystem::path packURL(std::string_view id)
{
    return datasetDirectory(id) / packFileName;
}
std::filesystem::path databaseURL(std::string_view id)
{
    return datasetDirectory(id) / databaseFileName;
}
std::filesystem::path manifestURL(std::string_view id)
{
    return datasetDirectory(id) / manifestFileName;
}

std::filesystem::path settingsDirectory()
{
    return xdgDirectory("XDG_CONFIG_HOME", ".config") / applicationFolderName;
}

std::filesystem::path screenshotsDirectory()
{
    return configuredPicturesDirectory().value_or(homeDirectory() / "Pictures") / applicationFolderName;
}

std::filesystem::path temporaryDirectory()
{
    return absoluteFromEnvironment("TMPDIR").value_or("/tmp");
}

void ensureDirectories()
{
    std::error_code ignored;
    std::filesystem::create_directories(datasetsDirectory(), ignored);
}

} // namespace morvena::AppPaths
