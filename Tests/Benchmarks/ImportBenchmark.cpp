// Both importers at full scale, each against the time Assimp needs merely to
// read the same input, side by side in one run:
//   - the generic import of one OBJ file with a group per structure,
//   - the generic import of the same content as GLB (written by the GLB exporter),
//   - the generic import of a folder of OBJ files (the first --folder-files of --obj),
//   - the BodyParts3D import of the whole --obj folder.
// The inputs come from Tests/Tools/generate_bodyparts3d_meshes.py:
//
//   python3 Tests/Tools/generate_bodyparts3d_meshes.py --metadata <tables> --out /tmp/bp3d-obj
//   python3 Tests/Tools/generate_bodyparts3d_meshes.py --metadata <tables> --out /tmp/bp3d-one
//       --target-mb 230 --single body.obj
//   build/release/bin/ImportBenchmark --obj /tmp/bp3d-obj [--single /tmp/bp3d-one/body.obj]
//       [--metadata <tables>] [--folder-files 2000] [--repeat 3] [--only <case>] [--steps]
//
// Without --single the two cases of the single file are left out.
//
// Every run is a child process of its own, so that its wall time, CPU time and
// peak memory are its alone; the figures are the medians over the repetitions.
// MORVENA_THREADS limits the importers' threads. Datasets go to a temporary
// XDG_DATA_HOME that is removed afterwards, never to the user's own.
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "AnatomyImport/GenericDatasetImporter.h"
#include "BodyParts3DData.h"
#include "TemporaryFolder.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace morvena;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Arguments {
    fs::path objDir;
    fs::path singleOBJ;
    std::optional<fs::path> metadataDir;
    std::size_t folderFiles = 2000;
    int repeat = 3;
    std::string only;
    bool steps = false;
};

std::optional<Arguments> parse(int argc, char** argv)
{
    Arguments arguments;
    for (int index = 1; index < argc; ++index) {
        std::string_view argument = argv[index];
        const bool hasValue = index + 1 < argc;
        if (argument == "--obj" && hasValue)
            arguments.objDir = argv[++index];
        else if (argument == "--single" && hasValue)
            arguments.singleOBJ = argv[++index];
        else if (argument == "--metadata" && hasValue)
            arguments.metadataDir = argv[++index];
        else if (argument == "--folder-files" && hasValue)
            arguments.folderFiles = std::strtoul(argv[++index], nullptr, 10);
        else if (argument == "--repeat" && hasValue)
            arguments.repeat = std::max(1, std::atoi(argv[++index]));
        else if (argument == "--only" && hasValue)
            arguments.only = argv[++index];
        else if (argument == "--steps")
            arguments.steps = true;
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

double seconds(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

std::vector<fs::path> objFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        auto extension = entry.path().extension().string();
        std::ranges::transform(extension, extension.begin(), ::tolower);
        if (entry.is_regular_file() && extension == ".obj")
            files.push_back(entry.path());
    }
    std::ranges::sort(files);
    return files;
}

std::uintmax_t totalBytes(const std::vector<fs::path>& files)
{
    std::uintmax_t bytes = 0;
    for (const auto& file : files)
        bytes += fs::file_size(file);
    return bytes;
}

// Every contender then finds its files in the page cache.
void warmPageCache(const std::vector<fs::path>& files)
{
    std::vector<char> buffer(1 << 20);
    for (const auto& file : files) {
        std::ifstream stream(file, std::ios::binary);
        while (stream.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
            ;
    }
}

// A private datasets folder and scratch space for the run.
class Scratch {
public:
    Scratch() { setenv("XDG_DATA_HOME", (folder_ / "data").c_str(), 1); }
    const fs::path& path() const { return folder_.path(); }

private:
    test::TemporaryFolder folder_ {"morvena-bench"};
};

// One measured run in a child process.
struct Sample {
    double wall = 0;
    double cpu = 0; // user + system seconds
    double system = 0;
    double peakMB = 0;
    bool ok = false;
};

Sample measure(const std::function<bool()>& work)
{
    std::fflush(stdout);
    auto start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        const bool ok = work();
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    Sample sample;
    sample.wall = seconds(Clock::now() - start);
    sample.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    sample.system = seconds(usage.ru_stime);
    sample.peakMB = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    sample.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return sample;
}

bool readWithAssimp(const std::vector<fs::path>& files)
{
    for (const auto& file : files) {
        Assimp::Importer importer;
        if (!importer.ReadFile(file.string(), 0))
            return false;
    }
    return true;
}

double peakMB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Prints one line per step of an import with its time and the peak memory
// reached by its end; the numbered reports of a loop count as one.
class StepClock {
public:
    explicit StepClock(bool enabled)
        : enabled_(enabled)
    {
    }
    ~StepClock()
    {
        if (!enabled_)
            return;
        step("");
        for (std::size_t index = 0; index + 1 < steps_.size(); ++index)
            std::printf("    %-45s %7.3f s %7.0f MB\n", steps_[index].name.c_str(),
                seconds(steps_[index + 1].start - steps_[index].start), steps_[index + 1].peakMB);
    }
    void operator()(const ImportProgress& progress)
    {
        if (enabled_)
            step(progress.message.substr(0, progress.message.find_first_of("0123456789")));
    }

private:
    struct Step {
        std::string name;
        Clock::time_point start;
        double peakMB; // at the step's start
    };
    void step(std::string name)
    {
        if (steps_.empty() || steps_.back().name != name)
            steps_.push_back({std::move(name), Clock::now(), peakMB()});
    }

    bool enabled_;
    std::vector<Step> steps_;
};

// The options the tool's import command uses by default.
GenericDatasetImporter::Options genericOptions(const fs::path& input)
{
    return {.input = input,
        .datasetID = "benchmark",
        .displayName = "Benchmark",
        .license = "CC0",
        .attribution = "Morvena",
        .generateLODs = true,
        .splitOBJGroups = true};
}

bool importGeneric(const fs::path& input, bool steps)
{
    StepClock clock(steps);
    auto result = GenericDatasetImporter(genericOptions(input)).run(std::ref(clock));
    return result.manifest.structureCount > 0;
}

bool importBodyParts3D(const Arguments& arguments)
{
    StepClock clock(arguments.steps);
    BodyParts3DImporter importer({*arguments.metadataDir, arguments.objDir,
        std::string(BodyParts3DImporter::defaultDatasetID), BodyParts3DImporter::defaultWeldTolerance, true});
    return importer.run(std::ref(clock)).manifest.structureCount > 0;
}

// The single OBJ file's content as GLB: imported, then exported with the
// structures' names.
bool writeGLB(const fs::path& singleOBJ, const fs::path& file)
{
    auto result = GenericDatasetImporter(genericOptions(singleOBJ)).run({});
    MeshPack pack(result.packURL);
    std::vector<std::int64_t> order(pack.structureCount());
    std::iota(order.begin(), order.end(), std::int64_t(0));
    auto glb = GLTFExporter::exportGLB(pack, order, {}, {});
    if (!glb)
        return false;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(glb->data.data()), std::streamsize(glb->data.size()));
    return true;
}

// The first `count` files of the folder, linked into a folder of their own.
fs::path folderOf(const std::vector<fs::path>& files, std::size_t count, const fs::path& folder)
{
    fs::create_directories(folder);
    for (std::size_t index = 0; index < std::min(count, files.size()); ++index)
        fs::create_symlink(files[index], folder / files[index].filename());
    return folder;
}

struct Case {
    std::string name;
    std::function<bool()> ours;
    std::vector<fs::path> assimpInputs;
};

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    const auto middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Summary {
    double wall, cpuPercent, systemSeconds, peakMB;
    bool ok;
};

Summary summarise(const std::vector<Sample>& samples)
{
    std::vector<double> wall, cpu, system, peak;
    bool ok = true;
    for (const auto& sample : samples) {
        wall.push_back(sample.wall);
        cpu.push_back(100 * sample.cpu / sample.wall);
        system.push_back(sample.system);
        peak.push_back(sample.peakMB);
        ok = ok && sample.ok;
    }
    return {median(wall), median(cpu), median(system), median(peak), ok};
}

void printLoad(const char* when)
{
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("carico medio %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}

} // namespace

int main(int argc, char** argv)
{
    auto arguments = parse(argc, argv);
    if (!arguments) {
        std::fprintf(stderr,
            "uso: %s --obj <cartella OBJ> [--single <file OBJ>] [--metadata <cartella tabelle>]"
            " [--folder-files N] [--repeat N] [--only <caso>] [--steps]\n",
            argv[0]);
        return 2;
    }
    Scratch scratch;
    const auto files = objFiles(arguments->objDir);
    const auto folder = folderOf(files, arguments->folderFiles, scratch.path() / "folder");
    const auto folderFiles = objFiles(folder);
    warmPageCache(files);
    std::printf("cartella: %zu file, %.1f MB; BodyParts3D: %zu file, %.1f MB\n", folderFiles.size(),
        double(totalBytes(folderFiles)) / 1e6, files.size(), double(totalBytes(files)) / 1e6);

    const bool steps = arguments->steps;
    std::vector<Case> cases;
    if (!arguments->singleOBJ.empty()) {
        // In a child process, so that this one stays small: every run below
        // starts as a copy of it.
        const auto glb = scratch.path() / (arguments->singleOBJ.stem().string() + ".glb");
        if (!measure([&] { return writeGLB(arguments->singleOBJ, glb); }).ok) {
            std::fprintf(stderr, "esportazione GLB non riuscita\n");
            return 1;
        }
        warmPageCache({arguments->singleOBJ, glb});
        std::printf("OBJ singolo: %.1f MB; GLB: %.1f MB\n", double(fs::file_size(arguments->singleOBJ)) / 1e6,
            double(fs::file_size(glb)) / 1e6);
        cases.push_back({"obj-singolo", [&] { return importGeneric(arguments->singleOBJ, steps); },
            {arguments->singleOBJ}});
        cases.push_back({"glb", [glb, steps] { return importGeneric(glb, steps); }, {glb}});
    }
    cases.push_back({"cartella-obj", [&] { return importGeneric(folder, steps); }, folderFiles});
    cases.push_back({"bodyparts3d", [&] { return importBodyParts3D(*arguments); }, files});
    std::erase_if(
        cases, [&](const Case& c) { return !arguments->only.empty() && c.name != arguments->only; });

    printLoad("all'inizio");
    std::map<std::string, std::pair<std::vector<Sample>, std::vector<Sample>>> samples;
    for (int round = 0; round < arguments->repeat; ++round) {
        for (const auto& c : cases) {
            if (steps)
                std::printf("  %s, giro %d:\n", c.name.c_str(), round + 1);
            samples[c.name].first.push_back(measure(c.ours));
            samples[c.name].second.push_back(measure([&] { return readWithAssimp(c.assimpInputs); }));
        }
    }
    printLoad("alla fine");

    std::printf("%-14s %9s %6s %7s %8s | %9s %6s %8s | %7s\n", "caso", "tempo s", "CPU %", "sist. s",
        "picco MB", "assimp s", "CPU %", "picco MB", "rapporto");
    for (const auto& c : cases) {
        const auto ours = summarise(samples[c.name].first);
        const auto peer = summarise(samples[c.name].second);
        std::printf("%-14s %9.3f %6.0f %7.2f %8.0f | %9.3f %6.0f %8.0f | %7.3f%s\n", c.name.c_str(),
            ours.wall, ours.cpuPercent, ours.systemSeconds, ours.peakMB, peer.wall, peer.cpuPercent,
            peer.peakMB, ours.wall / peer.wall, ours.ok && peer.ok ? "" : "  (errore)");
    }
    return 0;
}
