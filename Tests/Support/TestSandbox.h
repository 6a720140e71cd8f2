#pragma once

#include "TemporaryFolder.h"

#include <filesystem>
#include <string>

namespace morvena::test {

// Every test process runs in a sandbox of its own: HOME, the XDG folders and TMPDIR
// point into a fresh temporary folder, so no test touches the user's datasets,
// settings or pictures. Made by the test mains before anything else runs.
class TestSandbox {
public:
    TestSandbox();
    TestSandbox(const TestSandbox&) = delete;
    TestSandbox& operator=(const TestSandbox&) = delete;

private:
    TemporaryFolder folder_;
};

// Where a test keeps an image for a person to look at: $MORVENA_TEST_ARTIFACTS, else
// review/ in the build folder. The folder is made; the path is printed.
std::filesystem::path reviewArtifact(const std::string& fileName);

} // namespace morvena::test
