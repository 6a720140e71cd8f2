#include "AnatomyUI/Model/AppModel.h"

namespace morvena {

std::jthread AppModel::startJob(std::function<void(std::stop_token)> work)
{
    if (services_.startJob)
        return services_.startJob(std::move(work));
    return std::jthread(std::move(work));
}

void AppModel::stopJobs()
{
    // All are asked first, so they wind down side by side.
    catalogJob_.request_stop();
    importJob_.request_stop();
    download_.reset(); // cancels the transfer or the installation and waits for it
    if (catalogJob_.joinable())
        catalogJob_.join();
    if (importJob_.joinable())
        importJob_.join();
}

bool AppModel::isWritingDataset() const
{
    return download_ || importJob_.joinable();
}

} // namespace morvena
