// The exporter's files checked by the Khronos glTF validator, an npm package
// (Tests/Tools/gltf-validator, installed by scripts/setup.sh): labelled
// "external" because it needs more than Debian gives.
#include "../../AnatomyCoreTests/PackTestSupport.h"
#include "../GLTFExportTestSupport.h"

#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace morvena;
using namespace morvena::test;

namespace {

std::optional<std::filesystem::path> programOnPath(std::string_view name)
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        auto colon = rest.find(':');
        std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / name;
        if (!candidate.parent_path().empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
    }
    return std::nullopt;
}

std::filesystem::path validatorFolder()
{
    const char* source = std::getenv("MORVENA_SOURCE_DIR");
    auto root = source
        ? std::filesystem::path(source)
        : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
    return root / "Tests" / "Tools" / "gltf-validator";
}

std::string quoted(const std::filesystem::path& path)
{
    std::string text = "'";
    for (char c : path.string())
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

// Runs the command, returning its exit status and everything it printed.
std::pair<int, std::string> run(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return {-1, "popen failed"};
    char buffer[4096];
    while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, read);
    int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

} // namespace

TEST(GLTFExporter, filesPassTheKhronosValidator)
{
    auto node = programOnPath("node");
    if (!node)
        node = programOnPath("nodejs");
    if (!node)
        GTEST_SKIP() << "Node.js is not installed";
    const auto tools = validatorFolder();
    ASSERT_TRUE(std::filesystem::exists(tools / "node_modules" / "gltf-validator"))
        << "the glTF validator is missing: run scripts/setup.sh (npm ci in " << tools << ")";

    TemporaryFolder folder;
    std::vector<MeshPackBuilder::Mesh> meshes;
    meshes.push_back(stripMesh("bone", "Femore", 30, {}, AnatomySystem::skeletal));
    meshes.push_back(stripMesh("muscle", "Bicipite", 12, {3, 1, 0}, AnatomySystem::muscular));
    meshes.push_back(stripMesh("nerve", "Nervo àèìòù", 5, {-2, 4, 1}, AnatomySystem::nervous));
    const std::vector<Float3> quad {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    meshes.push_back(meshWith("lod", quad, {{0, 1, 2, 1, 3, 2}, {0, 3, 2}}, AnatomySystem::arterial));
    auto pack = packOf(folder, std::move(meshes));
    const auto all = allStructures(*pack);

    std::vector<std::filesystem::path> files;
    auto write = [&](const std::string& name, const GLTFExporter::Options& options) {
        auto result = GLTFExporter::exportGLB(*pack, all, {{1, "Muscolo \"bicipite\""}}, options);
        ASSERT_TRUE(result);
        files.push_back(folder / name);
        AtomicFile::write(files.back(),
            std::string_view(reinterpret_cast<const char*>(result->data.data()), result->data.size()));
    };
    write("plain.glb", plain);
    write("colored.glb", {.lod = 0, .coloredMaterials = true, .scale = 0.001f, .centered = true});
    write("coarse.glb", {.lod = 2, .coloredMaterials = true, .scale = 1, .centered = false});

    std::string command = quoted(*node) + " " + quoted(tools / "validate.js");
    for (const auto& file : files)
        command += " " + quoted(file);
    auto [status, output] = run(command);
    EXPECT_EQ(status, 0) << output;
}
