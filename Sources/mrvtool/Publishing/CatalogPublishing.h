#pragma once

#include "AnatomyCore/Download/DatasetCatalog.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvena::tool {

// The pieces of publishing a dataset that stand apart from the command's
// console work: sizes, names, the catalog merge and the catalog file itself.
namespace CatalogPublishing {

// The sum of the sizes of every regular file below `folder`, found recursively
// without following links; unreadable items count 0, an unreadable folder 0.
std::int64_t directorySize(const std::filesystem::path& folder);

// "<id>-r<revision>.mrvz". Throws Fail when the name could not be one plain file
// of the output folder (a revision with a separator, "..", control characters).
std::string archiveName(std::string_view id, std::string_view revision);

// "(38% dell'originale)"; a dataset of no bytes has no ratio ("—").
std::string ratioText(std::int64_t archiveBytes, std::int64_t originalBytes);

// The folder of the default catalog address: where the archives are served.
std::string defaultBaseAddress();

// Replaces the entries with the new entry's id by it, at the end, then orders
// all entries by structure count, largest first, keeping ties in their order.
void merge(DatasetCatalog& catalog, DatasetCatalog::Entry entry);

// The catalog in the file, or nothing when it is missing or does not decode.
std::optional<DatasetCatalog> readIfValid(const std::filesystem::path& file);
// Reads and decodes the file; throws its reading or decoding error.
DatasetCatalog read(const std::filesystem::path& file);
// Pretty-printed JSON with sorted keys, replacing the file atomically.
void write(const DatasetCatalog& catalog, const std::filesystem::path& file);

} // namespace CatalogPublishing

} // namespace morvena::tool
