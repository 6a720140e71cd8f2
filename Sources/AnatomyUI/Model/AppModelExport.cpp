#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/DrawableLimits.h"
#include "AnatomyUI/Model/ExportImageSize.h"
#include "AnatomyUI/Model/Platform.h"

#include <chrono>
#include <ctime>
#include <system_error>

namespace morvena {

namespace {

// The seconds since 1970 cut to five digits: two exports of one day get two names.
constexpr std::int64_t fileNumberModulus = 100000;

// "anatomia-2026-03-09-123.png": the local date, then the seconds since 1970
// modulo 100000.
std::string exportFileName(std::chrono::system_clock::time_point now)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local {};
    localtime_r(&seconds, &local);
    char date[16] = {};
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    const auto number
        = std::chrono::floor<std::chrono::seconds>(now.time_since_epoch()).count() % fileNumberModulus;
    return "anatomia-" + std::string(date) + "-" + std::to_string(number) + ".png";
}

// With the renderer's context current: the largest image it can draw.
ExportImageSize largestImageSize()
{
    const auto limits = DrawableLimits::current();
    return {limits.largestWidth, limits.largestHeight};
}

} // namespace

void AppModel::exportScreenshot(int scale)
{
    std::optional<RenderedImage> image;
    std::optional<std::string> png;
    {
        auto view = metalView_.lock();
        auto* renderer = view && view->drawableSize ? currentRenderer() : nullptr;
        if (!renderer)
            return;
        const auto size = ExportImageSize::of(view->drawableSize(), scale, largestImageSize());
        image = renderer->renderImage(size.width, size.height);
        if (image)
            png = Platform::pngData(*image);
    }
    if (!png) {
        reportFailure("Esportazione non riuscita.");
        return;
    }
    // The panel runs a nested event loop in which queued work (a finished download
    // loading another dataset) may replace the renderer and the view: the image is
    // complete before it opens, and afterwards only the file and the messages change.
    const auto folder = Platform::exportDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const auto location
        = services_.savePanel ? services_.savePanel(folder, exportFileName(services_.now())) : std::nullopt;
    if (location)
        writeImage(*location, *png, image->width, image->height);
}

void AppModel::writeImage(
    const std::filesystem::path& location, const std::string& png, int width, int height)
{
    try {
        AtomicFile file(location);
        file.write(png);
        file.commit();
    } catch (const std::system_error& error) {
        reportFailure("Scrittura non riuscita: " + std::string(error.what()));
        return;
    }
    assign(exportedImageURL_, std::optional(location), Field::exportedImageURL);
    assign(lastMessage_,
        std::optional<std::string>("Immagine salvata: " + location.filename().string() + " ("
            + std::to_string(width) + "×" + std::to_string(height) + ")"),
        Field::lastMessage);
}

void AppModel::reportFailure(std::string message)
{
    assign(lastMessage_, std::optional(message), Field::lastMessage);
    if (services_.showFailure)
        services_.showFailure(message);
}

} // namespace morvena
