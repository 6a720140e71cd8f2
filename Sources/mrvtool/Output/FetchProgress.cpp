#include "mrvtool/Output/FetchProgress.h"

#include "mrvtool/Output/Formatting.h"

namespace morvena::tool {

namespace {

int downloadPercent(std::int64_t received, std::int64_t total)
{
    if (total < 1)
        return 0;
    return static_cast<int>(static_cast<double>(received) / static_cast<double>(total) * 100.0);
}

} // namespace

std::string FetchProgress::record(const DatasetDownload::Stage& stage)
{
    using Kind = DatasetDownload::Stage::Kind;
    switch (stage.kind) {
    case Kind::downloading: {
        int percent = downloadPercent(stage.received, stage.total);
        {
            std::lock_guard hold(lock_);
            if (percent == lastPercent_)
                return {};
            lastPercent_ = percent;
        }
        return format("\r[%3d%%] download", percent);
    }
    case Kind::preparing:
        return {};
    case Kind::verifying:
        return "\r[ 93%] verifica SHA-256   ";
    case Kind::installing:
        return "\r[ 97%] installazione      ";
    case Kind::done: {
        std::lock_guard hold(lock_);
        keptDatabase_ = stage.keptDatabase;
        return "\r[100%] completato         \n";
    }
    case Kind::failed: {
        std::lock_guard hold(lock_);
        message_ = stage.message;
        return {};
    }
    }
    return {};
}

std::optional<std::string> FetchProgress::failure() const
{
    std::lock_guard hold(lock_);
    return message_;
}

std::optional<DamagedDatabase::Kept> FetchProgress::keptDatabase() const
{
    std::lock_guard hold(lock_);
    return keptDatabase_;
}

} // namespace morvena::tool
