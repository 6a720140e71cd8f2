#include "AnatomyUI/Window/UISnapshot.h"

#include "AnatomyCore/Support/SystemText.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/RendererError.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/SharedGLContext.h"
#include "AnatomyUI/Window/ContentView.h"
#include "AnatomyUI/Window/ViewerServices.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QLayout>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace morvena::UISnapshot {

namespace {

// After the delay, one more layout and paint, and this long for them to land.
constexpr int settleMS = 600;
// The nesting depth below which the overflow walk does not look.
constexpr int walkDepth = 40;
constexpr int reportedOverflows = 12;

void runEventLoop(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000)), &loop, &QEventLoop::quit);
    loop.exec();
}

bool insideScrollArea(const QWidget& widget, const QWidget& root)
{
    for (const QWidget* current = &widget; current && current != &root; current = current->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(current))
            return true;
    return false;
}

void walk(const QWidget& root, const QWidget& parent, int depth, const QRectF& allowed,
    std::vector<std::string>& lines)
{
    if (depth >= walkDepth)
        return;
    for (const QObject* child : parent.children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (!widget || widget->isWindow() || !widget->isVisible())
            continue;
        const QRect rect(widget->mapTo(&root, QPoint(0, 0)), widget->size());
        if (!rect.isEmpty() && rect.width() > 4 && rect.height() > 4 && !allowed.contains(QRectF(rect))
            && !insideScrollArea(*widget, root)) {
            lines.push_back(std::string(widget->metaObject()->className()) + " " + rectText(rect)
                + " fuori da " + rectText(root.rect()));
        }
        walk(root, *widget, depth + 1, allowed, lines);
    }
}

void printRendererReport()
{
    auto model = AppModel::current();
    if (!model)
        return;
    const auto& stats = model->stats();
    const long long frames = model->renderer() ? model->renderer()->framesRendered() : 0;
    std::cout << rendererLine(
        frames, stats.fps, stats.frameTimeMS, stats.drawCalls, stats.triangles, stats.visibleStructures)
              << '\n';
    if (frames == 0)
        std::cerr << "  ATTENZIONE: nessun frame disegnato in finestra\n";
    if (const auto* first = model->primary())
        std::cout << "  selezione: " << first->displayName() << " [" << first->conceptID << "]\n";
}

void printOverflowReport(const QWidget& host)
{
    auto lines = overflowingViews(host, QRectF(host.rect()).adjusted(-1, -1, 1, 1));
    if (lines.empty()) {
        std::cout << "  nessun contenuto fuori dai bordi\n";
        return;
    }
    std::cout << "  contenuti fuori dai bordi: " << lines.size() << '\n';
    for (std::size_t i = 0; i < lines.size() && i < reportedOverflows; ++i)
        std::cout << "    " << lines[i] << '\n';
}

// A plain write that replaces the file; the error's text when it fails.
std::optional<std::string> writeFile(const std::filesystem::path& path, const QByteArray& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return SystemText::reason(std::error_code(errno, std::generic_category()));
    file.write(bytes.constData(), bytes.size());
    file.close();
    if (!file)
        return SystemText::reason(std::error_code(errno, std::generic_category()));
    return std::nullopt;
}

// The window's pixels, captured and written; the exit status.
int capture(QWidget& host, const Options& options)
{
    const QImage image = host.grab().toImage();
    if (image.isNull()) {
        std::cerr << "Cattura non riuscita\n";
        return 1;
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return 1;
    const auto path = std::filesystem::absolute(options.output);
    if (auto error = writeFile(path, png)) {
        std::cerr << "Scrittura non riuscita: " << *error << '\n';
        return 1;
    }
    std::cout << "Snapshot: " << path.string() << " (" << options.size.width() << "×" << options.size.height()
              << ")\n";
    return 0;
}

} // namespace

int runFromCommandLine(const std::vector<std::string>& arguments)
{
    const auto options = parse(arguments);
    AppModel::selectOnLaunch = options.select;
    return run(options);
}

int run(const Options& options)
{
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application)
        Theme::apply(
            *application, options.appearance == "light" ? Theme::Appearance::light : Theme::Appearance::dark);
    std::optional<SharedGLContext> context;
    try {
        context.emplace();
    } catch (const RendererError& error) {
        std::cerr << "Morvena: " << error.what() << '\n';
    }
    int status = 1;
    {
        QWidget host;
        host.setWindowTitle("Morvena");
        host.setFixedSize(options.size);
        // The root keeps its minimum size: a smaller window clips it, and the report
        // names what sticks out.
        auto* content = new ContentView(ViewerServices::make(context ? &*context : nullptr), &host);
        content->setGeometry(QRect(QPoint(0, 0), options.size.expandedTo(content->minimumSize())));
        host.show();
        runEventLoop(options.delaySeconds);
        if (auto* layout = content->layout())
            layout->activate();
        host.update();
        runEventLoop(settleMS / 1000.0);
        printRendererReport();
        status = capture(host, options);
        if (status == 0)
            printOverflowReport(host);
        std::cout << std::flush;
        host.close();
    }
    return status;
}

std::vector<std::string> overflowingViews(const QWidget& root, const QRectF& allowed)
{
    std::vector<std::string> lines;
    walk(root, root, 0, allowed, lines);
    return lines;
}

std::string rectText(const QRect& rect)
{
    char text[128];
    std::snprintf(text, sizeof text, "(%.1f, %.1f, %.1f, %.1f)", static_cast<double>(rect.x()),
        static_cast<double>(rect.y()), static_cast<double>(rect.width()), static_cast<double>(rect.height()));
    return text;
}

std::string rendererLine(
    long long frames, double fps, double frameTimeMS, int drawCalls, int triangles, int visibleStructures)
{
    char text[256];
    std::snprintf(text, sizeof text,
        "  renderer in finestra: %lld frame disegnati, %.0f FPS, %.2f ms/frame, %d draw call, %d triangoli, "
        "%d strutture visibili",
        frames, fps, frameTimeMS, drawCalls, triangles, visibleStructures);
    return text;
}

} // namespace morvena::UISnapshot
