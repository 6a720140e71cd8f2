#include "ToolSandbox.h"

namespace morvena::test {

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
    std::vector<std::string> argv {builtProgram("mrvtool").string()};
    argv.insert(argv.end(), words.begin(), words.end());
    return execute(std::move(argv), sandboxEnvironment(root()));
}

ToolSandbox::Result ToolSandbox::runShell(const std::string& script) const
{
    return execute({"/bin/bash", "-c", script},
        sandboxEnvironment(root(), {"MRVTOOL=" + builtProgram("mrvtool").string()}));
}

ToolSandbox::Result ToolSandbox::execute(
    std::vector<std::string> argv, std::vector<std::string> environment) const
{
    ++runs_;
    return runProgram(argv, environment, workFolder(), root() / ("run-" + std::to_string(runs_)));
}

} // namespace morvena::test
