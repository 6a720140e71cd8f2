// Extracts arbitrary bytes as a dataset archive: either as the container
// itself, or (first byte odd) as the entry stream inside a well-formed
// container, so that the entry parser is reached past the xz coding. Whatever
// extracts may only leave plain files with safe names in the target folder,
// and nothing beside it.
#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Archive/Internal/ArchiveBlockWriter.h"
#include "AnatomyCore/Storage/AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace morvena;
namespace fs = std::filesystem;

namespace {

void require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

const fs::path& sandbox()
{
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "mrvz-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr);
        return fs::path(pattern);
    }();
    return folder;
}

std::string wrapped(const std::uint8_t* data, std::size_t size)
{
    std::string archive;
    ArchiveBlockWriter writer(
        [&](std::span<const std::byte> bytes) {
            archive.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        },
        1);
    writer.write(std::as_bytes(std::span(data, size)));
    writer.finish();
    return archive;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const fs::path archive = sandbox() / "input.mrvz";
    const fs::path into = sandbox() / "into";
    fs::remove_all(into);
    fs::create_directory(into);
    std::string bytes = (data[0] & 1) ? wrapped(data + 1, size - 1)
                                      : std::string(reinterpret_cast<const char*>(data), size);
    FILE* file = std::fopen(archive.c_str(), "wb");
    require(
        file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fclose(file) == 0);
    try {
        DatasetArchive::extract(archive, into);
    } catch (const std::exception&) {
    }
    for (const auto& entry : fs::directory_iterator(into)) {
        require(entry.is_regular_file() && !entry.is_symlink());
        require(AppPaths::isValidDatasetID(entry.path().filename().string()));
        require((entry.status().permissions() & fs::perms::set_uid) == fs::perms::none);
    }
    std::size_t besideCount = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(sandbox()))
        ++besideCount;
    require(besideCount == 2);
    return 0;
}
