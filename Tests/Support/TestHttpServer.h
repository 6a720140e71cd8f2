#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace morvena::test {

// The tests' own HTTP server (Tests/Support/http_test_server.py) on 127.0.0.1,
// serving the files of one folder on a port of its own; stopped when the object
// goes. The query string of an address chooses its misbehaviour (see the script).
class TestHttpServer {
public:
    // `scriptOptions` go to the script after --root. Throws when the server has not
    // reported its port by the deadline only a hang reaches, or ended without it.
    explicit TestHttpServer(std::filesystem::path root, const std::vector<std::string>& scriptOptions = {});
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>/" + pathAndQuery (without its leading slash).
    std::string address(const std::string& pathAndQuery) const;
    // The requests received so far, one JSON object per line, oldest first.
    std::vector<std::string> requests() const;
    // The least time a body of `bytes` takes to arrive with "slow=1": the
    // script sends it in pieces of 1 KiB with a pause of 20 ms after each. Only
    // a transfer cut short ends sooner, however busy the machine.
    static std::chrono::milliseconds slowBodyTime(std::size_t bytes)
    {
        const auto pieces = static_cast<long>((bytes + 1023) / 1024);
        return std::chrono::milliseconds(20) * std::max(pieces - 1, 0L);
    }

private:
    std::filesystem::path root_;
    pid_t process_ = -1;
    int port_ = 0;
};

} // namespace morvena::test
