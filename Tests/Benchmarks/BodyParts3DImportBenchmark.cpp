// The whole BodyParts3D import at full scale, against the time Assimp needs
// merely to read the same OBJ files, in one run. The meshes come from
// Tests/Tools/generate_bodyparts3d_meshes.py; the metadata are the release's
// own tables.
//
//   python3 Tests/Tools/generate_bodyparts3d_meshes.py --metadata <tables> --out /tmp/bp3d-obj
//   build/release/bin/BodyParts3DImportBenchmark --obj /tmp/bp3d-obj [--metadata <tables>] [--no-assimp]
//
// The dataset is written below a temporary XDG_DATA_HOME that is removed
// afterwards, never into the user's own datasets.
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "BodyParts3DData.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace morvena;
using Clock = std::chrono::steady_clock;

namespace {

struct Arguments {
    std::filesystem::path objDir;
    std::optional<std::filesystem::path> metadataDir;
    bool assimp = true;
};

std::optional<Arguments> parse(int argc, char** argv)
{
    Arguments arguments;
    for (int index = 1; index < argc; ++index) {
        std::string_view argument = argv[index];
        if (argument == "--obj" && index + 1 < argc)
            arguments.objDir = argv[++index];
        else if (argument == "--metadata" && index + 1 < argc)
            arguments.metadataDir = argv[++index];
        else if (argument == "--no-assimp")
            arguments.assimp = false;
        else
            return std::nullopt;
    }
    if (arguments.objDir.empty())
        return std::nullopt;
    if (!arguments.metadataDir)
        arguments.metadataDir = morvena::test::bodyParts3DFolder();
    if (!arguments.metadataDir)
        return std::nullopt;
    return arguments;
}

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double peakResidentMB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

std::vector<std::filesystem::path> objFiles(const std::filesystem::path& folder, std::uintmax_t& bytes)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        auto extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (entry.is_regular_file() && extension == ".obj") {
            files.push_back(entry.path());
            bytes += entry.file_size();
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Both contenders then find the files in the page cache.
void warmPageCache(const std::vector<std::filesystem::path>& files)
{
    std::vector<char> buffer(1 << 20);
    for (const auto& file : files) {
        std::ifstream stream(file, std::ios::binary);
        while (stream.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
            ;
    }
}

struct AssimpTotals {
    double seconds = 0;
    std::size_t faces = 0;
    std::size_t failures = 0;
};

AssimpTotals readWithAssimp(const std::vector<std::filesystem::path>& files)
{
    AssimpTotals totals;
    auto start = Clock::now();
    for (const auto& file : files) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(file.string(), 0);
        if (!scene) {
            ++totals.failures;
            continue;
        }
        for (unsigned mesh = 0; mesh < scene->mNumMeshes; ++mesh)
            totals.faces += scene->mMeshes[mesh]->mNumFaces;
    }
    totals.seconds = seconds(Clock::now() - start);
    return totals;
}

// A private datasets folder for the run.
class ScratchDataHome {
public:
    ScratchDataHome()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/morvena-bench-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        setenv("XDG_DATA_HOME", path_.c_str(), 1);
    }
    ~ScratchDataHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

private:
    std::filesystem::path path_;
};

} // namespace

int main(int argc, char** argv)
{
    auto arguments = parse(argc, argv);
    if (!arguments) {
        std::fprintf(
            stderr, "uso: %s --obj <cartella OBJ> [--metadata <cartella tabelle>] [--no-assimp]\n", argv[0]);
        return 2;
    }
    ScratchDataHome dataHome;
    std::uintmax_t bytes = 0;
    auto files = objFiles(arguments->objDir, bytes);
    warmPageCache(files);
    std::printf("%zu file OBJ, %.1f MB\n", files.size(), static_cast<double>(bytes) / 1e6);

    BodyParts3DImporter importer(
        {*arguments->metadataDir, arguments->objDir, "bodyparts3d-4.0", 0.02f, true});
    std::vector<std::pair<std::string, Clock::time_point>> steps;
    auto start = Clock::now();
    auto result = importer.run([&](const ImportProgress& progress) {
        // One line per step; the numbered reports of the two loops count as one.
        auto step = progress.message.substr(0, progress.message.find_first_of("0123456789"));
        if (steps.empty() || steps.back().first != step)
            steps.emplace_back(step, Clock::now());
    });
    auto end = Clock::now();
    double importSeconds = seconds(end - start);
    double importPeakMB = peakResidentMB();
    for (std::size_t index = 0; index < steps.size(); ++index) {
        auto until = index + 1 < steps.size() ? steps[index + 1].second : end;
        std::printf("  %-45s %7.3f s\n", steps[index].first.c_str(), seconds(until - steps[index].second));
    }
    MeshPack pack(result.packURL);
    std::printf(
        "importazione: %.3f s, picco di memoria %.0f MB, %lld strutture, %zu triangoli, %zu vertici\n",
        importSeconds, importPeakMB, static_cast<long long>(result.manifest.structureCount),
        pack.triangleCount(), pack.vertexCount());
    std::printf("  senza sistema: %zu, element file mancanti: %zu\n", result.unclassified.size(),
        result.missingOBJ.size());
    std::printf("  %s\n", result.manifest.notes.c_str());

    if (arguments->assimp) {
        auto assimp = readWithAssimp(files);
        std::printf("assimp, sola lettura: %.3f s, %zu facce, %zu file non letti\n", assimp.seconds,
            assimp.faces, assimp.failures);
        std::printf("rapporto importazione / lettura assimp: %.3f\n", importSeconds / assimp.seconds);
    }
    return 0;
}
