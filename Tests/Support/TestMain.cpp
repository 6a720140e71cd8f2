// Every test process runs in a sandbox of its own: HOME, the XDG folders and
// TMPDIR point into a fresh temporary folder, so no test touches the user's
// datasets, settings or pictures.
#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

class SandboxEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        folder_ = std::make_unique<morvena::test::TemporaryFolder>("morvena-sandbox");
        const auto& root = folder_->path();
        for (const char* sub : {"home", "data", "config", "tmp", "pictures"})
            std::filesystem::create_directories(root / sub);
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("TMPDIR", (root / "tmp").c_str(), 1);
        unsetenv("XDG_PICTURES_DIR");
        // Where tests find the source tree (fixtures, scripts) and the built programs.
        setenv("MORVENA_SOURCE_DIR", MORVENA_DEFAULT_SOURCE_DIR, 0);
        setenv("MORVENA_BINARY_DIR", MORVENA_DEFAULT_BINARY_DIR, 0);
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<morvena::test::TemporaryFolder> folder_;
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new SandboxEnvironment); // gtest owns it
    return RUN_ALL_TESTS();
}
