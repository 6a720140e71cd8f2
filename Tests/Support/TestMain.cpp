#include "TestSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    morvena::test::TestSandbox sandbox;
    return RUN_ALL_TESTS();
}
