#pragma once

#include <nlohmann/json_fwd.hpp>

#include <atomic>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// The published list of downloadable datasets ("catalog.json") with a note on
// the current viewer release. Decoding is strict: a missing key or a value of
// the wrong type anywhere, or an entry whose installedBytes is not above 0,
// fails the whole document; unknown keys are ignored.
struct DatasetCatalog {
    // One downloadable dataset. Every key is required.
    struct Entry {
        std::string id; // names the dataset's folder; validated before any path is made from it
        std::string displayName;
        std::string version;
        std::string archive; // absolute address of the archive
        std::int64_t archiveBytes = 0;
        std::int64_t installedBytes = 0; // above 0: an installation holds the archive to it
        std::string sha256; // 64 lower-case hex digits; empty means no digest
        std::int64_t structureCount = 0;
        std::int64_t triangleCount = 0;
        std::string license;
        std::string attribution;
        std::string sourceURL;
        std::string notes;

        // The archive text as an absolute address; nothing when it does not parse.
        std::optional<std::string> archiveURL() const;
        bool operator==(const Entry&) const = default;
    };

    // The current viewer release. Every key is required.
    struct AppRelease {
        std::string version; // dotted numbers, compared with isNewer
        std::string build;
        std::string download;
        std::int64_t bytes = 0;
        std::string minimumSystem;
        std::string notes;

        std::optional<std::string> downloadURL() const;
        bool operator==(const AppRelease&) const = default;
    };

    // The catalog server answered with a status outside 200-299.
    class CatalogError : public std::runtime_error {
    public:
        static CatalogError badStatus(long status);
        long status() const { return status_; }

    private:
        CatalogError(long status, const std::string& message);
        long status_;
    };

    std::int64_t formatVersion = 0; // read, never compared
    std::vector<Entry> datasets;
    std::optional<AppRelease> macApp;

    bool operator==(const DatasetCatalog&) const = default;

    // The default catalog address.
    static const std::string& url();

    // Fetches and decodes the catalog at the address; blocks the calling
    // thread while the request runs (20 seconds without data end it), bypassing
    // any cache. Throws HttpTransfer::Error on transport failures, CatalogError
    // on a bad status and DecodingError on a malformed document.
    static DatasetCatalog load(const std::string& address);
    // The same, ending with HttpTransfer::Error soon after `stop` is set.
    static DatasetCatalog load(const std::string& address, const std::atomic<bool>& stop);
    // Decodes a catalog document; throws DecodingError.
    static DatasetCatalog decode(std::string_view document);
    // True when the candidate version is strictly greater than the current one.
    static bool isNewer(std::string_view candidate, std::string_view current);
};

void to_json(nlohmann::json& json, const DatasetCatalog& catalog);
void from_json(const nlohmann::json& json, DatasetCatalog& catalog);
void to_json(nlohmann::json& json, const DatasetCatalog::Entry& entry);
void from_json(const nlohmann::json& json, DatasetCatalog::Entry& entry);
void to_json(nlohmann::json& json, const DatasetCatalog::AppRelease& release);
void from_json(const nlohmann::json& json, DatasetCatalog::AppRelease& release);

} // namespace morvena
