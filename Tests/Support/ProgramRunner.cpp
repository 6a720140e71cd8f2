#include "ProgramRunner.h"

#include "TemporaryFolder.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace morvena::test {

namespace {

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::string nameOf(std::string_view entry)
{
    return std::string(entry.substr(0, entry.find('=')));
}

} // namespace

std::filesystem::path builtProgram(const std::string& name)
{
    const char* binaryDir = std::getenv("MORVENA_BINARY_DIR");
    if (!binaryDir || !*binaryDir)
        throw std::runtime_error("MORVENA_BINARY_DIR is not set");
    return std::filesystem::path(binaryDir) / "bin" / name;
}

std::vector<std::string> sandboxEnvironment(
    const std::filesystem::path& root, const std::vector<std::string>& extra)
{
    std::vector<std::string> replaced {
        "HOME=" + (root / "home").string(),
        "XDG_DATA_HOME=" + (root / "data").string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "TMPDIR=" + (root / "tmp").string(),
    };
    replaced.insert(replaced.end(), extra.begin(), extra.end());
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const auto name = nameOf(*entry);
        bool keep = name != "XDG_PICTURES_DIR";
        for (const auto& replacement : replaced)
            keep = keep && nameOf(replacement) != name;
        if (keep)
            entries.emplace_back(*entry);
    }
    entries.insert(entries.end(), replaced.begin(), replaced.end());
    return entries;
}

ProgramResult runProgram(const std::vector<std::string>& argvStrings,
    const std::vector<std::string>& environment, const std::filesystem::path& workFolder,
    const std::filesystem::path& captureStem)
{
    auto argvCopy = argvStrings;
    auto environmentCopy = environment;
    auto argv = pointers(argvCopy);
    auto envp = pointers(environmentCopy);
    const auto outPath = captureStem.string() + ".out";
    const auto errPath = captureStem.string() + ".err";

    // Everything the child needs is prepared above: after fork it only makes
    // async-signal-safe calls.
    pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0
            || ::chdir(workFolder.c_str()) != 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    }
    ProgramResult result;
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
