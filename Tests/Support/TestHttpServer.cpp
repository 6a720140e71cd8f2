#include "TestHttpServer.h"

#include "HangDeadline.h"
#include "TemporaryFolder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
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

// The first line the server prints is its port. A busy machine may take many seconds
// to start python3; only a hang keeps the line from coming within the deadline.
int readPort(int descriptor)
{
    const auto deadline = std::chrono::steady_clock::now() + hangDeadline;
    std::string line;
    char c = 0;
    while (line.size() < 16) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting {descriptor, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready != 1 || read(descriptor, &c, 1) != 1 || c == '\n')
            break;
        line.push_back(c);
    }
    return std::atoi(line.c_str());
}

} // namespace

TestHttpServer::TestHttpServer(std::filesystem::path root, const std::vector<std::string>& scriptOptions)
    : root_(std::move(root))
{
    int pipe_[2];
    if (pipe(pipe_) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_[0]);
    const std::string script = serverScript().string();
    std::vector<std::string> words {"python3", script, "--root", root_.string()};
    words.insert(words.end(), scriptOptions.begin(), scriptOptions.end());
    std::vector<char*> arguments;
    for (auto& word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);
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
