#pragma once

#include "ProgramRunner.h"
#include "TemporaryFolder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace morvena::test {

// A home of its own for runs of the real mrvtool binary: HOME, XDG_DATA_HOME,
// XDG_CONFIG_HOME and TMPDIR of the child point into a fresh folder, and the child
// starts in its own working folder. Nothing touches the user's folders or those of
// other tests.
class ToolSandbox {
public:
    using Result = ProgramResult;

    ToolSandbox();

    const std::filesystem::path& root() const { return folder_.path(); }
    std::filesystem::path dataHome() const { return folder_ / "data"; }
    std::filesystem::path workFolder() const { return folder_ / "work"; }
    std::filesystem::path datasetFolder(const std::string& id) const;

    // Runs `mrvtool words...` ($MORVENA_BINARY_DIR/bin/mrvtool) to the end.
    Result run(const std::vector<std::string>& words) const;
    // Runs a bash script to the end, with the tool's path in $MRVTOOL: for what a
    // user types at a shell (FIFOs, process substitutions, pipes).
    Result runShell(const std::string& script) const;

private:
    Result execute(std::vector<std::string> argv, std::vector<std::string> environment) const;

    TemporaryFolder folder_;
    mutable int runs_ = 0;
};

} // namespace morvena::test
