#include "TestHttpServer.h"

#include "TemporaryFolder.h"

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace morvena::test {

namespace {

std::filesystem::path serverScript()
{
    const char* source = std::getenv("MORVENA_SOURCE_DIR");
    std::filesystem::path folder = (source && *source) ? std::filesystem::path(source) / "Tests" / "Support"
                                                       : std::filesystem::path(MORVENA_TEST_SUPPORT_DIR);
    return folder / "http_test_server.py";
}

// The first line the server prints is its port; it has ten seconds to print it.
int readPort(int descriptor)
{
    std::string line;
    char c = 0;
    while (line.size() < 16) {
        pollfd waiting {descriptor, POLLIN, 0};
        if (poll(&waiting, 1, 10000) != 1 || read(descriptor, &c, 1) != 1 || c == '\n')
            break;
        line.push_back(c);
    }
    return std::atoi(line.c_str());
}

} // namespace

TestHttpServer::TestHttpServer(std::filesystem::path root)
    : root_(std::move(root))
{
    int pipe_[2];
    if (pipe(pipe_) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_[0]);
    std::string script = serverScript().string();
    std::string rootArgument = root_.string();
    std::vector<char*> arguments {const_cast<char*>("python3"), script.data(), const_cast<char*>("--root"),
        rootArgument.data(), nullptr};
    int spawned = posix_spawnp(&process_, "python3", &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_[1]);
    if (spawned == 0)
        port_ = readPort(pipe_[0]);
    close(pipe_[0]);
    if (spawned != 0)
        throw std::runtime_error("cannot start python3 " + script);
    if (port_ <= 0) {
        kill(process_, SIGKILL);
        waitpid(process_, nullptr, 0);
        throw std::runtime_error("the test HTTP server did not report its port");
    }
}

TestHttpServer::~TestHttpServer()
{
    kill(process_, SIGTERM);
    waitpid(process_, nullptr, 0);
}

std::string TestHttpServer::address(const std::string& pathAndQuery) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + pathAndQuery;
}

std::vector<std::string> TestHttpServer::requests() const
{
    std::vector<std::string> lines;
    std::istringstream log(readFile(root_ / "requests.log"));
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

} // namespace morvena::test
