#include "ToolSandbox.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace morvena::test {

namespace {

// $MORVENA_BINARY_DIR/bin/mrvtool. The test main sets the variable to this build's
// folder unless the environment already names one, so it is always there.
std::filesystem::path toolBinary()
{
    const char* binaryDir = std::getenv("MORVENA_BINARY_DIR");
    if (!binaryDir || !*binaryDir)
        throw std::runtime_error("MORVENA_BINARY_DIR is not set");
    return std::filesystem::path(binaryDir) / "bin" / "mrvtool";
}

// The parent's environment with the sandbox's folders in place of the user's.
std::vector<std::string> childEnvironment(const std::filesystem::path& root)
{
    const std::vector<std::pair<std::string, std::filesystem::path>> replaced {
        {"HOME", root / "home"},
        {"XDG_DATA_HOME", root / "data"},
        {"XDG_CONFIG_HOME", root / "config"},
        {"TMPDIR", root / "tmp"},
    };
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        std::string_view text(*entry);
        bool keep = !text.starts_with("XDG_PICTURES_DIR=");
        for (const auto& [name, _] : replaced)
            keep = keep && !text.starts_with(name + "=");
        if (keep)
            entries.emplace_back(text);
    }
    for (const auto& [name, path] : replaced)
        entries.push_back(name + "=" + path.string());
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

} // namespace

ToolSandbox::ToolSandbox()
    : folder_("mrvtool-e2e")
{
    for (const char* sub : {"home", "data", "config", "tmp", "work"})
        std::filesystem::create_directories(folder_ / sub);
}

std::filesystem::path ToolSandbox::datasetFolder(const std::string& id) const
{
    return dataHome() / "Morvena" / "datasets" / id;
}

ToolSandbox::Result ToolSandbox::run(const std::vector<std::string>& words) const
{
    std::vector<std::string> argv {toolBinary().string()};
    argv.insert(argv.end(), words.begin(), words.end());
    return execute(std::move(argv), childEnvironment(root()));
}

ToolSandbox::Result ToolSandbox::runShell(const std::string& script) const
{
    auto environment = childEnvironment(root());
    environment.push_back("MRVTOOL=" + toolBinary().string());
    return execute({"/bin/bash", "-c", script}, std::move(environment));
}

ToolSandbox::Result ToolSandbox::execute(
    std::vector<std::string> argvStrings, std::vector<std::string> environment) const
{
    auto argv = pointers(argvStrings);
    auto envp = pointers(environment);
    ++runs_;
    auto outPath = root() / ("run-" + std::to_string(runs_) + ".out");
    auto errPath = root() / ("run-" + std::to_string(runs_) + ".err");
    auto work = workFolder();

    // Everything the child needs is prepared above: after fork it only makes
    // async-signal-safe calls.
    pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0
            || ::chdir(work.c_str()) != 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    }
    Result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

} // namespace morvena::test
