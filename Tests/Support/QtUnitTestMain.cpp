// The main of the viewer's unit tests: the sandbox, then a QCoreApplication for the
// event loop and queued calls.
#include "TestSandbox.h"

#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    morvena::test::TestSandbox sandbox;
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
