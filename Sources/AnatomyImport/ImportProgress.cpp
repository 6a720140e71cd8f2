#include "AnatomyImport/ImportProgress.h"

#include "AnatomyImport/ImportError.h"

namespace morvena {

ImportProgressHandler stoppingAtReports(const ImportProgressHandler& progress, const std::atomic<bool>& stop)
{
    return [&progress, &stop](const ImportProgress& report) {
        if (stop)
            throw ImportError::cancelled();
        if (progress)
            progress(report);
    };
}

} // namespace morvena
