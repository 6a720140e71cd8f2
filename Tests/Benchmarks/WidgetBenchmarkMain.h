#pragma once

#include "AnatomyUI/SharedGLContext.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <clocale>
#include <iostream>
#include <string_view>

namespace morvena::test {

// The main of a benchmark of the viewer's widgets: one QApplication on a real X server
// with GLX, sharing GL contexts as the viewer does, and one `Session` made once the
// application exists and shared with the benchmarks through `current` while they run.
// A session that is not `ready` ends the program with `failure` before any runs.
template <class Session>
int runWidgetBenchmarks(int argc, char** argv, Session*& current, std::string_view failure)
{
    benchmark::Initialize(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "xcb_glx");
    SharedGLContext::prepareApplication();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    Session session;
    if (!session.ready) {
        std::cerr << failure << "\n";
        return 1;
    }
    current = &session;
    benchmark::RunSpecifiedBenchmarks();
    current = nullptr;
    benchmark::Shutdown();
    return 0;
}

} // namespace morvena::test
