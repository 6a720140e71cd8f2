#include "ToolSandbox.h"

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace morvena::test {

namespace {

std::filesystem::path toolBinary()
{
    const char* binary = std::getenv("MORVENA_BINARY_DIR");
    if (!binary || !*binary)
        throw std::runtime_error("MORVENA_BINARY_DIR is not set");
    return std::filesystem::path(binary) / "bin" / "mrvtool";
}

// The test process's environment with the sandbox's folders in place of the user's.
std::vector<std::string> sandboxEnvironment(const std::filesystem::path& root)
{
    const std::vector<std::pair<std::string, std::filesystem::path>> overrides {
        {"HOME", root / "home"},
        {"XDG_DATA_HOME", root / "data"},
        {"XDG_CONFIG_HOME", root / "config"},
        {"TMPDIR", root / "tmp"},
    };
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string variable(*entry);
        bool replaced = false;
        for (const auto& [name, value] : overrides)
            replaced = replaced || variable.starts_with(name + "=");
        if (!replaced && !variable.starts_with("XDG_PICTURES_DIR="))
            variables.push_back(variable);
    }
    for (const auto& [name, value] : overrides)
        variables.push_back(name + "=" + value.string());
    return variables;
}

} // namespace

ToolSandbox::ToolSandbox()
    : folder_("mrvtool-sandbox")
{
    for (const char* sub : {"home", "data", "config", "tmp"})
        std::filesystem::create_directories(folder_ / sub);
}

ToolResult ToolSandbox::run(
    const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder) const
{
    const auto binary = toolBinary().string();
    const auto outFile = (folder_ / "stdout.txt").string();
    const auto errFile = (folder_ / "stderr.txt").string();
    const auto folder = (workingFolder.empty() ? home() : workingFolder).string();

    std::vector<std::string> words {binary};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    auto variables = sandboxEnvironment(root());
    std::vector<char*> envp;
    for (auto& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(
        &actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(
        &actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t process = -1;
    int spawned = posix_spawn(&process, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + binary);
    int waitStatus = 0;
    waitpid(process, &waitStatus, 0);

    ToolResult result;
    result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
    result.out = readFile(outFile);
    result.err = readFile(errFile);
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
