#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvena {

// One GET request through libcurl. Redirects are followed here rather than by
// curl so that every hop passes the same address policy: https anywhere, plain
// http only on the loopback host (where tests and a local mirror serve), and
// file addresses only where a caller allows them.
class HttpTransfer {
public:
    // A transport failure (no connection, time-out, dropped connection, refused
    // address) for callers that report failures as exceptions; what() is the
    // Italian text shown to the user. get() itself returns its failures.
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    struct Response {
        long status = 0; // 0 for a response that is not HTTP (a file address)
        std::vector<std::pair<std::string, std::string>> headers; // names in lower case

        bool isHTTP() const { return status != 0; }
        bool isSuccess() const { return status >= 200 && status <= 299; }
        std::optional<std::string> header(std::string_view lowerCaseName) const;
        // Content-Length when present and a plain non-negative decimal number.
        std::optional<std::int64_t> contentLength() const;
    };

    struct Options {
        std::vector<std::string> headers;
        // Longest wait for the connection or for the next byte.
        std::chrono::seconds idleTimeout {60};
        // Longest time for the whole request, redirects included.
        std::optional<std::chrono::milliseconds> totalTimeout;
        bool allowFileAddresses = false;
    };

    // Each handler returns false to stop the transfer (Outcome::stopped).
    struct Handlers {
        // The final response's status and headers, before its first body byte
        // (or at its end when it has no body).
        std::function<bool(const Response&)> onResponse;
        std::function<bool(std::span<const char>)> onBody;
        // Polled while the transfer runs, also when no byte arrives.
        std::function<bool()> keepGoing;
    };

    enum class Outcome { completed, stopped, failed };
    struct Result {
        Outcome outcome = Outcome::failed;
        std::string failure; // Italian text when failed
    };

    // Every failure, running out of memory included, comes back as Outcome::failed.
    static Result get(const std::string& address, const Options& options, const Handlers& handlers);

    // The text as an absolute address in curl's normal form; nothing when it
    // does not parse or has no scheme.
    static std::optional<std::string> parseAddress(std::string_view text);
    // https, http on the loopback host, and file when allowed.
    static bool isPermittedAddress(const std::string& address, bool allowFileAddresses);
    // What a refusal by isPermittedAddress tells the user is allowed.
    static constexpr std::string_view permittedAddressesText
        = "sono ammessi solo indirizzi https, e http soltanto verso questo computer (localhost, 127.0.0.1, "
          "[::1])";
};

} // namespace morvena
