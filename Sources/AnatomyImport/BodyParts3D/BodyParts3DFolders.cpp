#include "AnatomyImport/BodyParts3D/BodyParts3DFolders.h"

#include <algorithm>
#include <deque>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace morvena {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view metadataFileName = "isa_parts_list_e.txt";

const std::atomic<bool> neverStopped {false};

// The entries of one folder in name order; none when it cannot be read.
std::vector<fs::directory_entry> sortedEntries(const fs::path& folder)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    fs::directory_iterator entry(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error))
        entries.push_back(*entry);
    std::sort(entries.begin(), entries.end(),
        [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    return entries;
}

bool isRealFolder(const fs::directory_entry& entry)
{
    std::error_code error;
    return fs::is_directory(entry.symlink_status(error)); // a link to a folder is not followed
}

// The first folder, breadth-first from `folder` and in name order within each
// folder, that holds a non-folder entry matching the test. Links are not
// followed and unreadable folders are skipped, so the search ends in any tree.
template <class Matches>
std::optional<fs::path> folderHolding(const fs::path& folder, Matches matches, const std::atomic<bool>& stop)
{
    std::deque<fs::path> waiting {folder};
    while (!waiting.empty() && !stop) {
        const auto current = std::move(waiting.front());
        waiting.pop_front();
        for (const auto& entry : sortedEntries(current)) {
            if (isRealFolder(entry))
                waiting.push_back(entry.path());
            else if (matches(entry.path().filename().string()))
                return current;
        }
    }
    return std::nullopt;
}

bool isMetadataFile(const std::string& name)
{
    return name == metadataFileName;
}

// Hidden names are not models: archives made on some systems carry "._name.obj"
// companions holding file attributes.
bool isOBJFile(const std::string& name)
{
    if (name.empty() || name.front() == '.' || name.size() < 4)
        return false;
    auto extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return extension == ".obj";
}

} // namespace

namespace BodyParts3DFolders {

std::optional<fs::path> findMetadata(const fs::path& folder)
{
    return findMetadata(folder, neverStopped);
}

std::optional<fs::path> findMetadata(const fs::path& folder, const std::atomic<bool>& stop)
{
    std::error_code error;
    if (fs::exists(folder / metadataFileName, error))
        return folder;
    return folderHolding(folder, isMetadataFile, stop);
}

std::optional<fs::path> findOBJ(const fs::path& folder)
{
    return findOBJ(folder, neverStopped);
}

std::optional<fs::path> findOBJ(const fs::path& folder, const std::atomic<bool>& stop)
{
    return folderHolding(folder, isOBJFile, stop);
}

} // namespace BodyParts3DFolders

} // namespace morvena
