#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace morvena {

// A failed file-system call, with the Italian description of what was being
// done and the file concerned; code() keeps the system's error number.
class FileError : public std::system_error {
public:
    FileError(std::string_view action, const std::filesystem::path& path, std::error_code code);
    // Takes the error number of the call that just failed.
    FileError(std::string_view action, const std::filesystem::path& path, int errorNumber);
    // For a failure that the program finds itself (a file of the wrong kind or
    // size): `reason` is the clause the user reads.
    FileError(
        std::string_view action, const std::filesystem::path& path, std::errc code, std::string_view reason);

    // The action, the path and the system's reason in Italian.
    const char* what() const noexcept override;
    // The reason alone, as a clause.
    const std::string& reason() const noexcept { return reason_; }

private:
    std::string reason_;
    std::string description_;
};

} // namespace morvena
