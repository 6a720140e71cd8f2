// The main of the viewer's widget and GL tests: the sandbox, then one QApplication on a
// real X server with GLX (Qt's offscreen platform makes no GL contexts), sharing GL
// contexts as the viewer does.
#include "TestSandbox.h"

#include "AnatomyUI/SharedGLContext.h"

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    morvena::test::TestSandbox sandbox;
    // Listing the tests needs no display.
    if (morvena::test::isListingTests(argc, argv))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "xcb_glx");
    morvena::SharedGLContext::prepareApplication();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
