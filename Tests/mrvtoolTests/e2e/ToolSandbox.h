#pragma once

#include "TemporaryFolder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace morvena::test {

// What one run of mrvtool left behind.
struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// A user of its own for the programs under test: fresh HOME, XDG data and
// config folders and TMPDIR, so runs see only the datasets the test installs.
class ToolSandbox {
public:
    ToolSandbox();

    const std::filesystem::path& root() const { return folder_.path(); }
    std::filesystem::path home() const { return folder_ / "home"; }
    // Where the programs look for installed datasets.
    std::filesystem::path datasets() const { return folder_ / "data" / "Morvena" / "datasets"; }

    // Runs $MORVENA_BINARY_DIR/bin/mrvtool with the arguments in `workingFolder`
    // (the sandbox's home when empty) and waits for it.
    ToolResult run(
        const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder = {}) const;

private:
    TemporaryFolder folder_;
};

// The lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

} // namespace morvena::test
