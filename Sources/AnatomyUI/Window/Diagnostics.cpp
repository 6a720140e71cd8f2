#include "AnatomyUI/Window/Diagnostics.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Model/AppModel.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>

namespace morvena::Diagnostics {

namespace {

// Truncated toward zero; what is not a finite number, or does not fit, reads 0.
long long wholePart(double value)
{
    constexpr double limit = 9.2e18; // below 2^63
    if (!std::isfinite(value) || std::fabs(value) >= limit)
        return 0;
    return static_cast<long long>(value);
}

std::string drawableText(std::optional<float2> drawable)
{
    if (!drawable)
        return "nessuna vista";
    return std::to_string(wholePart(drawable->x)) + "×" + std::to_string(wholePart(drawable->y));
}

} // namespace

std::string line(std::int64_t framesRendered, const RenderStats& stats, std::optional<float2> drawable)
{
    char milliseconds[64];
    std::snprintf(milliseconds, sizeof milliseconds, "%.2f", stats.frameTimeMS);
    return "DIAG frame=" + std::to_string(framesRendered) + " fps=" + std::to_string(wholePart(stats.fps))
        + " ms=" + milliseconds + " triangoli=" + std::to_string(stats.triangles)
        + " draw=" + std::to_string(stats.drawCalls) + " strutture=" + std::to_string(stats.visibleStructures)
        + " escluse=" + std::to_string(stats.culledStructures) + " drawable=" + drawableText(drawable) + "\n";
}

std::string line(const AppModel& model)
{
    const std::int64_t frames = model.renderer() ? model.renderer()->framesRendered() : 0;
    std::optional<float2> drawable;
    if (auto view = model.metalView(); view && view->drawableSize)
        drawable = view->drawableSize();
    return line(frames, model.stats(), drawable);
}

void write(const std::string& text)
{
    std::cerr << text << std::flush;
    const char* path = std::getenv("ANATOMY_DIAG_FILE");
    if (!path)
        return;
    std::ofstream appended(path, std::ios::binary | std::ios::app);
    if (appended) {
        appended << text;
        return;
    }
    std::ofstream created(path, std::ios::binary | std::ios::trunc);
    created << text;
}

void startIfRequested(QPointer<AppModel> model)
{
    const char* requested = std::getenv("ANATOMY_DIAG");
    if (!requested || std::string_view(requested) != "1")
        return;
    auto* timer = new QTimer(QCoreApplication::instance()); // owned by the application
    timer->setObjectName("diagnostics");
    timer->setInterval(intervalMS);
    QObject::connect(timer, &QTimer::timeout, [model] {
        if (model)
            write(line(*model));
    });
    timer->start();
}

} // namespace morvena::Diagnostics
