#pragma once

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace morvena::test {

// A fixture whose tests each get an empty XDG_DATA_HOME, so every test starts
// without installed datasets.
class FreshDataFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* previous = std::getenv("XDG_DATA_HOME"))
            previous_ = previous;
        data_ = std::make_unique<TemporaryFolder>("morvena-data");
        setenv("XDG_DATA_HOME", data_->path().c_str(), 1);
    }
    void TearDown() override
    {
        setenv("XDG_DATA_HOME", previous_.c_str(), 1);
        data_.reset();
    }

private:
    std::string previous_;
    std::unique_ptr<TemporaryFolder> data_;
};

} // namespace morvena::test
