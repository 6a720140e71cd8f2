#include "AnatomyImport/StagedDataset.h"

#include "AnatomyCore/AppPaths.h"
#include "AnatomyCore/FileError.h"

#include <string>
#include <system_error>

namespace morvena {

namespace {

std::filesystem::path hiddenSibling(const std::filesystem::path& folder, std::string_view suffix)
{
    return folder.parent_path() / ("." + folder.filename().string() + std::string(suffix));
}

} // namespace

StagedDataset::StagedDataset(std::string_view datasetID)
    : target_(AppPaths::datasetDirectory(datasetID))
    , folder_(hiddenSibling(target_, ".incoming"))
{
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
    error.clear();
    std::filesystem::create_directories(folder_, error);
    if (error)
        throw FileError("Impossibile creare la cartella di importazione", folder_, error);
}

StagedDataset::~StagedDataset()
{
    if (installed_)
        return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void StagedDataset::install()
{
    auto previous = hiddenSibling(target_, ".previous");
    std::error_code error;
    std::filesystem::remove_all(previous, error);
    error.clear();
    bool setAside = false;
    if (std::filesystem::exists(target_, error)) {
        std::filesystem::rename(target_, previous, error);
        if (error)
            throw FileError("Impossibile sostituire il dataset", target_, error);
        setAside = true;
    }
    std::filesystem::rename(folder_, target_, error);
    if (error) {
        std::error_code ignored;
        if (setAside)
            std::filesystem::rename(previous, target_, ignored);
        throw FileError("Impossibile installare il dataset", target_, error);
    }
    installed_ = true;
    std::filesystem::remove_all(previous, error);
}

} // namespace morvena
