#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/GenericDatasetImporter.h"
#include "AnatomyImport/ImportError.h"
#include "FreshDataFolder.h"
#include "SyntheticRelease.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace morvena;
using namespace morvena::test;
namespace fs = std::filesystem;

namespace {

using ImportRun
    = std::function<BodyParts3DImporter::Result(const ImportProgressHandler&, const std::atomic<bool>&)>;

std::map<std::string, std::string> contents(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

using ImportStop = FreshDataFolder;

} // namespace

// Both importers: a stop raised at any report before the dataset is put in place
// ends the import at the next report or at the commit, leaving the installed
// dataset byte for byte and no staging folder; raised after the commit, by the
// last report, it changes nothing.
TEST_F(ImportStop, aStopBeforeTheCommitKeepsTheInstalledDatasetAndOneAfterItIsIgnored)
{
    SyntheticRelease release;
    GenericDatasetImporter::Options generic;
    generic.input = release.objFolder.path();
    generic.datasetID = "generico";
    generic.displayName = "Generico";
    const std::map<std::string, ImportRun> importers {
        {"bp3d-prova",
            [&](const ImportProgressHandler& progress, const std::atomic<bool>& stop) {
                return BodyParts3DImporter(release.options()).run(progress, stop);
            }},
        {"generico",
            [&](const ImportProgressHandler& progress, const std::atomic<bool>& stop) {
                return GenericDatasetImporter(generic).run(progress, stop);
            }},
    };
    for (const auto& [id, run] : importers) {
        std::size_t reportCount = 0;
        run([&](const ImportProgress&) { ++reportCount; }, importNeverStopped);
        const auto installed = contents(AppPaths::datasetDirectory(id));
        ASSERT_GT(reportCount, 3u) << id;

        // The report before the last is the last one before the commit.
        for (std::size_t stopAt : {std::size_t {1}, reportCount / 2, reportCount - 1}) {
            std::atomic<bool> stop {false};
            std::size_t seen = 0;
            try {
                run([&](const ImportProgress&) { stop = ++seen == stopAt; }, stop);
                ADD_FAILURE() << id << " not stopped at report " << stopAt;
            } catch (const ImportError& error) {
                EXPECT_EQ(error.kind(), ImportError::Kind::cancelled);
                EXPECT_STREQ(error.what(), "Importazione annullata.");
            }
            EXPECT_EQ(seen, stopAt) << id << ": no report after the stop";
            EXPECT_EQ(contents(AppPaths::datasetDirectory(id)), installed) << id << " " << stopAt;
            EXPECT_FALSE(fs::exists(AppPaths::datasetsDirectory() / ("." + id + ".incoming"))) << id;
        }

        std::atomic<bool> stop {false};
        auto result = run([&](const ImportProgress& report) { stop = report.fraction == 1.0; }, stop);
        EXPECT_TRUE(stop) << id;
        EXPECT_EQ(result.manifest.id, id);
    }
}
