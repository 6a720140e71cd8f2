// Decodes arbitrary bytes as the published dataset catalog. A catalog that
// decodes must survive its own encoding unchanged (the publishing command
// writes what the download reads), and every address it hands out must be an
// absolute one.
#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Model/DecodingError.h"
#include "FuzzSupport.h"

#include <nlohmann/json.hpp>

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DatasetCatalog catalog;
    try {
        catalog = DatasetCatalog::decode(textOf(bytesOf(data, size)));
    } catch (const DecodingError&) {
        return 0;
    }
    require(DatasetCatalog::decode(nlohmann::json(catalog).dump()) == catalog);
    for (const auto& entry : catalog.datasets) {
        if (auto url = entry.archiveURL())
            require(url->find("://") != std::string::npos);
        DatasetCatalog::isNewer(entry.version, catalog.macApp ? catalog.macApp->version : "1.0");
    }
    if (catalog.macApp)
        catalog.macApp->downloadURL();
    return 0;
}
