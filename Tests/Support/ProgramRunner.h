#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace morvena::test {

// Runs a built program to its end as a user would, with an environment of its own,
// and keeps what it wrote.
struct ProgramResult {
    int status = -1; // the exit status; -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// $MORVENA_BINARY_DIR/bin/<name>; the test main sets the variable to this build's folder.
std::filesystem::path builtProgram(const std::string& name);

// The parent's environment with HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and TMPDIR in
// `root` (home, data, config, tmp) and without XDG_PICTURES_DIR, plus `extra` entries
// ("NAME=value") that replace those of the same name.
std::vector<std::string> sandboxEnvironment(
    const std::filesystem::path& root, const std::vector<std::string>& extra = {});

// Runs argv[0] in `workFolder`; standard output and error go to <captureStem>.out/.err,
// which are read back.
ProgramResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
    const std::filesystem::path& workFolder, const std::filesystem::path& captureStem);

// The lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

} // namespace morvena::test
