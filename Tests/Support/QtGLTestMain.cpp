// The main of the viewer's widget and GL tests: the sandbox, then one QApplication on a
// real X server with GLX (Qt's offscreen platform makes no GL contexts), sharing GL
// contexts as the viewer does.
#include "TestSandbox.h"

#include "AnatomyUI/SharedGLContext.h"

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    morvena::test::TestSandbox sandbox;
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "xcb_glx");
    morvena::SharedGLContext::prepareApplication();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    // Leaks are looked for once the tests are done, while the GL driver and Qt's
    // platform plugins are still loaded: the few blocks that GLX leaves when it shuts
    // down afterwards come from libraries already unloaded at exit, which no
    // suppression can name.
    __lsan_do_leak_check();
#endif
    return result;
}
