#include "TestSandbox.h"

#include <cstdlib>
#include <iostream>

namespace morvena::test {

TestSandbox::TestSandbox()
    : folder_("morvena-sandbox")
{
    const auto& root = folder_.path();
    for (const char* sub : {"home", "data", "config", "tmp", "pictures"})
        std::filesystem::create_directories(root / sub);
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("TMPDIR", (root / "tmp").c_str(), 1);
    unsetenv("XDG_PICTURES_DIR");
    // Where tests find the source tree (fixtures, scripts) and the built programs.
    setenv("MORVENA_SOURCE_DIR", MORVENA_DEFAULT_SOURCE_DIR, 0);
    setenv("MORVENA_BINARY_DIR", MORVENA_DEFAULT_BINARY_DIR, 0);
}

std::filesystem::path reviewArtifact(const std::string& fileName)
{
    const char* configured = std::getenv("MORVENA_TEST_ARTIFACTS");
    std::filesystem::path folder = configured && *configured
        ? std::filesystem::path(configured)
        : std::filesystem::path(MORVENA_DEFAULT_BINARY_DIR) / "review";
    std::filesystem::create_directories(folder);
    auto path = folder / fileName;
    std::cout << "Immagine da guardare: " << path.string() << std::endl;
    return path;
}

} // namespace morvena::test
