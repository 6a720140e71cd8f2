#pragma once

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
    explicit TestHttpServer(std::filesystem::path root);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>/" + pathAndQuery (without its leading slash).
    std::string address(const std::string& pathAndQuery) const;
    // The requests received so far, one JSON object per line, oldest first.
    std::vector<std::string> requests() const;

private:
    std::filesystem::path root_;
    pid_t process_ = -1;
    int port_ = 0;
};

} // namespace morvena::test
