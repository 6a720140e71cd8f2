// What export-gltf and render do with the thing named by --out when it is not a
// plain file: links, FIFOs, process substitutions, devices, the standard output.
#include "HangDeadline.h"
#include "TestDataset.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

namespace morvena::test {
namespace {

namespace fs = std::filesystem;
using ::testing::StartsWith;

struct Command {
    std::string words; // as typed at a shell, before --out
    std::string magic; // the first bytes of what it writes
};

const std::vector<Command> commands {
    {"export-gltf --structure FMA1", "glTF"},
    {"render --width 64 --height 48", "\x89PNG"},
};

std::vector<std::string> split(const std::string& words)
{
    std::vector<std::string> result;
    std::istringstream stream(words);
    for (std::string word; stream >> word;)
        result.push_back(word);
    return result;
}

class OutputTargets : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestDataset dataset("bersagli");
        dataset.add("FMA1", "skull", AnatomySystem::skeletal, ellipsoidMesh({0, 0, 0}, {10, 10, 10}, 8));
        dataset.install(sandbox.dataHome());
    }

    ToolSandbox::Result run(const Command& command, const std::string& out) const
    {
        auto words = split(command.words);
        words.insert(words.end(), {"--out", out});
        return sandbox.run(words);
    }

    fs::path work(const std::string& name) const { return sandbox.workFolder() / name; }

    ToolSandbox sandbox;
};

TEST_F(OutputTargets, linksStayLinksAndTheirFinalTargetIsReplaced)
{
    for (const auto& command : commands) {
        SCOPED_TRACE(command.words);
        fs::remove_all(work("vero"));
        fs::create_directories(work("vero"));
        writeFile(work("vero/vecchio"), "vecchio contenuto");
        fs::remove(work("catena"));
        fs::remove(work("collegamento"));
        fs::remove(work("sospeso"));
        fs::create_symlink("vero/vecchio", work("collegamento"));
        fs::create_symlink("collegamento", work("catena"));
        fs::create_symlink("vero/nuovo", work("sospeso")); // its target does not exist yet

        for (const auto& [link, target] : {std::pair {"catena", "vero/vecchio"}, {"sospeso", "vero/nuovo"}}) {
            auto result = run(command, work(link).string());
            ASSERT_EQ(result.status, 0) << link << ": " << result.err;
            EXPECT_TRUE(fs::is_symlink(work(link))) << link;
            EXPECT_THAT(readFile(work(target)), StartsWith(command.magic)) << link;
        }
        EXPECT_TRUE(fs::is_symlink(work("collegamento")));
        // Nothing staged is left beside the targets.
        EXPECT_EQ(std::distance(fs::directory_iterator(work("vero")), {}), 2);
    }
}

TEST_F(OutputTargets, pipesAndProcessSubstitutionsReceiveTheWholeFile)
{
    for (const auto& command : commands) {
        SCOPED_TRACE(command.words);
        ASSERT_EQ(run(command, work("riferimento").string()).status, 0);
        auto reference = readFile(work("riferimento"));
        const std::string tool = "\"$MRVTOOL\" " + command.words;
        const std::string reader
            = "timeout " + std::to_string(test::hangDeadline / std::chrono::seconds(1)) + " cat";
        const std::vector<std::pair<std::string, std::string>> scripts {
            {"FIFO with a reader",
                "rm -f tubo ricevuto && mkfifo tubo && { " + reader + " tubo > ricevuto & } && " + tool
                    + " --out tubo && wait && test -p tubo"},
            {"process substitution",
                "rm -f ricevuto && " + tool + " --out >(" + reader + " > ricevuto) && wait $!"},
        };
        for (const auto& [name, script] : scripts) {
            auto result = sandbox.runShell("cd " + sandbox.workFolder().string() + " && " + script);
            EXPECT_EQ(result.status, 0) << name << ": " << result.err;
            auto received = readFile(work("ricevuto"));
            EXPECT_THAT(received, StartsWith(command.magic)) << name;
            EXPECT_EQ(received.size(), reference.size()) << name;
        }
    }
}

TEST_F(OutputTargets, standardOutputGetsTheFileBeforeTheSummary)
{
    // The sandbox sends standard output to a regular file: the bytes go through the
    // open descriptor, so the summary that follows is appended, not written over them.
    auto result = run(commands[0], "/dev/stdout");
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_THAT(result.out, StartsWith("glTF"));
    std::uint32_t length = 0;
    std::memcpy(&length, result.out.data() + 8, 4);
    ASSERT_LT(length, result.out.size());
    EXPECT_THAT(result.out.substr(length), StartsWith("glTF scritto: /dev/stdout\n"));
}

TEST_F(OutputTargets, deviceNodesStayDevices)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    auto node = work("nullo");
    if (::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "this file system refuses device nodes";
    if (int probe = ::open(node.c_str(), O_WRONLY); probe >= 0)
        ::close(probe);
    else
        GTEST_SKIP() << "this file system does not open device nodes (nodev)";
    for (const auto& command : commands) {
        SCOPED_TRACE(command.words);
        auto result = run(command, node.string());
        EXPECT_EQ(result.status, 0) << result.err;
        struct stat info { };
        ASSERT_EQ(::lstat(node.c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
        EXPECT_EQ(info.st_rdev, ::makedev(1, 3));
    }
}

// /dev/full fails every write as a full disk does.
TEST_F(OutputTargets, aFullDiskIsSaidInItalian)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no writable /dev/full";
    auto result = run(commands[0], "/dev/full");
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err,
        ::testing::EndsWith("Errore: Impossibile scrivere il file /dev/full: il disco è pieno\n"));
}

} // namespace
} // namespace morvena::test
