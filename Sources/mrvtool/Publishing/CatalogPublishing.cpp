#include "mrvtool/Publishing/CatalogPublishing.h"

#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/FileError.h"
#include "AnatomyCore/Support/SmallFile.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Formatting.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace morvena::tool::CatalogPublishing {

namespace fs = std::filesystem;

std::int64_t directorySize(const fs::path& folder)
{
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    if (error)
        return 0;
    std::int64_t total = 0;
    for (auto end = fs::recursive_directory_iterator(); walk != end; walk.increment(error)) {
        if (error)
            break;
        std::error_code itemError;
        if (!walk->is_regular_file(itemError) || walk->is_symlink(itemError))
            continue;
        auto size = walk->file_size(itemError);
        if (!itemError)
            total += static_cast<std::int64_t>(size);
    }
    return total;
}

std::string archiveName(std::string_view id, std::string_view revision)
{
    std::string name
        = std::string(id) + "-r" + std::string(revision) + "." + std::string(DatasetArchive::fileExtension);
    if (auto reason = AppPaths::unsafeNameReason(name))
        throw Fail("Revisione non valida: il nome dell'archivio " + std::string(*reason) + ".");
    return name;
}

std::string ratioText(std::int64_t archiveBytes, std::int64_t originalBytes)
{
    if (originalBytes <= 0)
        return "(— dell'originale)";
    return format("(%.0f%% dell'originale)",
        static_cast<double>(archiveBytes) / static_cast<double>(originalBytes) * 100.0);
}

std::string defaultBaseAddress()
{
    const std::string& catalog = DatasetCatalog::url();
    return catalog.substr(0, catalog.rfind('/'));
}

void merge(DatasetCatalog& catalog, DatasetCatalog::Entry entry)
{
    std::erase_if(catalog.datasets, [&](const auto& existing) { return existing.id == entry.id; });
    catalog.datasets.push_back(std::move(entry));
    std::stable_sort(catalog.datasets.begin(), catalog.datasets.end(),
        [](const auto& a, const auto& b) { return a.structureCount > b.structureCount; });
}

std::optional<DatasetCatalog> readIfValid(const fs::path& file)
{
    try {
        return read(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

DatasetCatalog read(const fs::path& file)
{
    return DatasetCatalog::decode(SmallFile::load(file));
}

void write(const DatasetCatalog& catalog, const fs::path& file)
{
    std::string document;
    try {
        // nlohmann's objects are ordered maps, so the keys come out sorted.
        document = nlohmann::json(catalog).dump(2) + "\n";
    } catch (const nlohmann::json::exception&) {
        throw Fail("Impossibile codificare il catalogo: un testo non è UTF-8 valido.");
    }
    AtomicFile::write(file, document);
}

} // namespace morvena::tool::CatalogPublishing
