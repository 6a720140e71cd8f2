#pragma once

#include <filesystem>
#include <string>

namespace morvena::test {

// A fresh folder below the test's TMPDIR, removed with everything in it when
// the object goes.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix = "morvena-test");
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& child) const { return path_ / child; }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, creating its parent folders.
void writeFile(const std::filesystem::path& file, std::string_view bytes);
// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);

} // namespace morvena::test
