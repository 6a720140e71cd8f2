// What reaches the tool from outside: its settings file, the files it imports,
// and the texts of datasets and catalogs that it prints.
#include "TestDataset.h"
#include "TestHttpServer.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

namespace morvena::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(UntrustedInput, aSettingsFileNestedTenThousandDeepCountsAsEmpty)
{
    ToolSandbox sandbox;
    writeFile(sandbox.root() / "config" / "Morvena" / "mrvtool.json",
        R"({"lastDatasetID": )" + std::string(10'000, '[') + std::string(10'000, ']') + "}");
    EXPECT_EQ(sandbox.run({"info"}).out, "Nessun dataset installato.\n");
}

// Colour, window title, clearing, bell, a C1 control, a fake line of ours and
// the right-to-left override, in a name, and megabytes of a catalog's text.
TEST(UntrustedInput, textsOfDatasetsAndCatalogsReachTheTerminalNeutralAndBounded)
{
    const std::string hostile = "\x1b[31m\x1b]0;t\x07\x1b[2J\xC2\x9B\n✓ Verifica\xE2\x80\xAE"
                                "ortsinis";
    ToolSandbox sandbox;
    TestDataset dataset("ostile", hostile);
    dataset.add("FMA1", "femur " + hostile, AnatomySystem::skeletal, ellipsoidMesh({0, 0, 0}, {9, 9, 9}));
    dataset.install(sandbox.dataHome());
    TemporaryFolder served;
    writeFile(served / "catalog.json",
        R"({"formatVersion": 1, "datasets": [{"id": "x", "displayName": "\u001b]0;t\u0007)"
            + std::string(5 << 20, 'x') + R"(", "version": "", "archive": "http://127.0.0.1:1/x",
            "archiveBytes": 1, "installedBytes": 1, "sha256": "", "structureCount": 1, "triangleCount": 1,
            "license": "", "attribution": "", "sourceURL": "", "notes": ""}]})");
    TestHttpServer server(served.path());
    for (const std::vector<std::string>& words :
        {std::vector<std::string> {"list"}, {"search", "femur"}, {"structure", "FMA1"}, {"info"},
            {"fetch-dataset", "--catalog", server.address("catalog.json")}}) {
        const auto out = sandbox.run(words).out;
        for (const char* control : {"\x1b", "\x07", "\xC2\x9B", "\xE2\x80\xAE", "\n✓"})
            EXPECT_THAT(out, Not(HasSubstr(control))) << words[0];
        EXPECT_LT(out.size(), 3000u) << words[0];
    }
}

// A sparse file as large as the machine's memory takes no room on disk; the
// import refuses it before reading a byte, and installs nothing.
TEST(UntrustedInput, aFileLargerThanHalfTheMemoryIsRefusedNamingIt)
{
    ToolSandbox sandbox;
    const auto input = sandbox.workFolder() / "enorme.stl";
    writeFile(input, "");
    std::filesystem::resize_file(input,
        static_cast<std::uintmax_t>(::sysconf(_SC_PHYS_PAGES))
            * static_cast<std::uintmax_t>(::sysconf(_SC_PAGESIZE)));
    const auto result = sandbox.run({"import", "--input", input.string(), "--id", "enorme", "--name",
        "Enorme", "--license", "CC0", "--attribution", "Autori"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr(input.string() + " (file di "));
    EXPECT_THAT(result.err, HasSubstr("più di metà della memoria del computer"));
    EXPECT_FALSE(std::filesystem::exists(sandbox.datasetFolder("enorme")));
}

} // namespace
} // namespace morvena::test
