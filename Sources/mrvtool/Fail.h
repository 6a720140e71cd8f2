#pragma once

#include <stdexcept>
#include <string>

namespace morvena::tool {

// The tool's one error record: its message is what the error path prints.
class Fail : public std::runtime_error {
public:
    explicit Fail(const std::string& message)
        : std::runtime_error(message)
    {
    }
    std::string message() const { return what(); }
};

// Thrown by usage() and other early exits: the process ends with this status.
struct ExitRequest {
    int status = 0;
};

} // namespace morvena::tool
