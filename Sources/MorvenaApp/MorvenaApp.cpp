#include "MorvenaApp/MorvenaApp.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/RendererError.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/SharedGLContext.h"
#include "AnatomyUI/Window/UISnapshot.h"
#include "MorvenaApp/MorvenaWindow.h"
#include "MorvenaApp/QtCatalogue.h"

#include <QApplication>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <clocale>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace morvena::MorvenaApp {

namespace {

int runWindow()
{
    // The context outlives the window and its model, whose renderers live in it.
    std::optional<SharedGLContext> context;
    try {
        context.emplace();
    } catch (const RendererError& error) {
        std::cerr << "Morvena: " << error.what() << '\n';
    }
    MorvenaWindow window(context ? &*context : nullptr);
    window.show();
    QApplication::exec();
    return 0;
}

// Leaks are looked for once our objects are gone and while the GL driver and Qt's
// platform plugins are still loaded: the few blocks GLX leaves when its libraries
// unload at exit cannot be named by a suppression.
void checkForLeaks()
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
}

} // namespace

int main(int argc, char** argv)
{
    // Copied first: QApplication takes its own options out of argv.
    const std::vector<std::string> arguments(argv, argv + argc);
    Preferences::selectProgram(Preferences::Program::viewer);
    SharedGLContext::prepareApplication();
    QApplication application(argc, argv);
    // QApplication takes the locale's number format; reports, diagnostics and the
    // files the importers write keep a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    const auto platformAppearance = Theme::appearanceOf(QApplication::palette());
    QApplication::setApplicationName("Morvena");
    QApplication::setApplicationVersion(MORVENA_VERSION);
    QApplication::setWindowIcon(QIcon(Brand::mark(256, false)));
    QtCatalogue::installItalian(application);
    AppPaths::ensureDirectories();
    int status = 0;
    if (UISnapshot::isRequested(arguments)) {
        status = UISnapshot::runFromCommandLine(arguments);
    } else {
        Theme::apply(application, platformAppearance);
        status = runWindow();
    }
    checkForLeaks();
    return status;
}

} // namespace morvena::MorvenaApp
