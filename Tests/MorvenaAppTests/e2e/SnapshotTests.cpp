#include "../../AnatomyUITests/ModelTestSupport.h"

#include "ImportedDataset.h"
#include "PixelProbe.h"
#include "ProgramRunner.h"
#include "TemporaryFolder.h"
#include "TestSandbox.h"

#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/Theme.h"

#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <regex>

using namespace morvena;
using namespace morvena::test;
using ::testing::HasSubstr;

namespace {

// Runs of the real viewer in a home of their own, on the X server of the tests.
class ViewerRuns {
public:
    ViewerRuns()
        : folder_("morvena-e2e")
    {
        for (const char* sub : {"home", "data", "config", "tmp", "work"})
            std::filesystem::create_directories(folder_ / sub);
    }

    ProgramResult snapshot(std::vector<std::string> words, std::vector<std::string> environment = {})
    {
        std::vector<std::string> argv {builtProgram("Morvena").string(), "--ui-snapshot"};
        argv.insert(argv.end(), words.begin(), words.end());
        environment.push_back("QT_QPA_PLATFORM=xcb");
        ++runs_;
        return runProgram(argv, sandboxEnvironment(folder_.path(), environment), workFolder(),
            folder_ / ("run-" + std::to_string(runs_)));
    }

    void install(const TestDataset& dataset) const { dataset.install(folder_ / "data"); }
    std::filesystem::path workFolder() const { return folder_ / "work"; }
    const std::filesystem::path& root() const { return folder_.path(); }
    // The viewer's settings file; empty when nothing was stored.
    std::string settings() const
    {
        const auto file = folder_ / "config" / "Morvena" / "viewer.json";
        return std::filesystem::exists(file) ? readFile(file) : std::string();
    }

private:
    TemporaryFolder folder_;
    int runs_ = 0;
};

long long framesIn(const std::string& out)
{
    std::smatch match;
    static const std::regex frames("renderer in finestra: (\\d+) frame disegnati");
    if (!std::regex_search(out, match, frames))
        return -1;
    return std::stoll(match[1]);
}

using Appearance = Theme::Appearance;

} // namespace

TEST(MorvenaSnapshot, withoutADatasetTheSetupStateIsCaptured)
{
    ViewerRuns runs;
    auto result = runs.snapshot({"setup.png", "--delay", "0.5"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("  renderer in finestra: 0 frame disegnati, 0 FPS, 0.00 ms/frame"));
    EXPECT_THAT(result.err, HasSubstr("  ATTENZIONE: nessun frame disegnato in finestra\n"));
    const auto png = runs.workFolder() / "setup.png";
    EXPECT_THAT(result.out, HasSubstr("Snapshot: " + png.string() + " (1440×900)\n"));
    EXPECT_THAT(result.out, HasSubstr("  nessun contenuto fuori dai bordi\n"));
    QImage image(QString::fromStdString(png.string()));
    EXPECT_EQ(image.size(), QSize(1440, 900));
    image.save(QString::fromStdString(reviewArtifact("snapshot-senza-dataset.png").string()));
    // The program made its data folders, and remembered nothing: no view, no labels setting.
    EXPECT_TRUE(std::filesystem::is_directory(runs.root() / "data" / "Morvena" / "datasets"));
    EXPECT_THAT(runs.settings(), ::testing::Not(HasSubstr("lastViewState")));
    EXPECT_THAT(runs.settings(), ::testing::Not(HasSubstr("showLabels")));
}

TEST(MorvenaSnapshot, anItalianLocaleKeepsTheDecimalPoint)
{
    ViewerRuns runs;
    const auto locales = runs.root() / "locales";
    std::filesystem::create_directories(locales);
    const auto command
        = "localedef -i it_IT -f UTF-8 " + (locales / "it_IT.UTF-8").string() + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "localedef cannot build it_IT.UTF-8 here";
    auto result = runs.snapshot({"it.png", "--delay", "0.2"},
        {"LOCPATH=" + locales.string(), "LC_ALL=it_IT.UTF-8", "LANG=it_IT.UTF-8"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr(" 0.00 ms/frame"));
    EXPECT_THAT(result.out, ::testing::Not(HasSubstr("0,00")));
}

TEST(MorvenaSnapshot, anUnwritableOutputFailsWithItsReason)
{
    ViewerRuns runs;
    writeFile(runs.workFolder() / "file", "not a folder");
    auto result = runs.snapshot({"file/out.png", "--delay", "0"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("Scrittura non riuscita: "));
    EXPECT_THAT(result.out, ::testing::Not(HasSubstr("Snapshot: ")));
}

TEST(MorvenaSnapshot, aSmallerWindowClipsTheRootAndReportsWhatSticksOut)
{
    ViewerRuns runs;
    auto result = runs.snapshot({"--size", "800x600", "--delay", "0.2"});
    ASSERT_EQ(result.status, 0) << result.err;
    QImage image(QString::fromStdString((runs.workFolder() / "ui-snapshot.png").string()));
    EXPECT_EQ(image.size(), QSize(800, 600));
    EXPECT_THAT(result.out, HasSubstr("(800×600)"));
    EXPECT_THAT(result.out, HasSubstr("  contenuti fuori dai bordi: "));
    EXPECT_THAT(result.out,
        HasSubstr("    morvena::ContentView (0.0, 0.0, 1120.0, 700.0) fuori da (0.0, 0.0, 800.0, 600.0)\n"));
}

// Where the window's columns lie: the sidebar (272) and the inspector (322) beside the
// viewport, all below the 33-point toolbar.
struct WindowRegions {
    explicit WindowRegions(QSize size)
        : viewport(272, 33, size.width() - 272 - 322, size.height() - 33)
        , sidebarStrip(8, 200, 250, 280)
        , inspectorStrip(size.width() - 310, 450, 290, 200)
        , inspectorHeader(size.width() - 308, 42, 240, 32)
        , setupColumn(272, 33, viewport.width(), 200)
    {
    }
    QRect middleThird() const
    {
        return {viewport.x() + viewport.width() / 3, viewport.y() + viewport.height() / 3,
            viewport.width() / 3, viewport.height() / 3};
    }
    QRect viewport, sidebarStrip, inspectorStrip, inspectorHeader, setupColumn;
};

struct Capture {
    ProgramResult result;
    QImage image;
};

// A dataset imported by mrvtool, captured by the viewer with nothing installed, ready, and
// ready with a bone selected, in both sizes and appearances. Every PNG is kept.
TEST(MorvenaSnapshot, setupReadyAndSelectedInEverySizeAndAppearance)
{
    const auto& dataset = ImportedDataset::shared();
    ViewerRuns empty, installed;
    dataset.install(installed.root() / "data");
    for (QSize size : {QSize(1440, 900), QSize(1120, 700)})
        for (Appearance appearance : {Appearance::light, Appearance::dark}) {
            const bool dark = appearance == Appearance::dark;
            const std::string tag = std::to_string(size.width()) + (dark ? "-dark" : "-light");
            SCOPED_TRACE(tag);
            auto capture = [&](ViewerRuns& runs, const std::string& state, std::vector<std::string> words) {
                const std::string png = state + "-" + tag + ".png";
                words.insert(words.begin(), png);
                words.insert(words.end(),
                    {"--size", std::to_string(size.width()) + "x" + std::to_string(size.height()),
                        "--appearance", dark ? "dark" : "light"});
                Capture taken {runs.snapshot(words), {}};
                EXPECT_EQ(taken.result.status, 0) << state << "\n" << taken.result.err;
                EXPECT_THAT(taken.result.out, HasSubstr("  nessun contenuto fuori dai bordi\n")) << state;
                taken.image.load(QString::fromStdString((runs.workFolder() / png).string()));
                EXPECT_EQ(taken.image.size(), size) << state;
                const auto artifact = reviewArtifact("snapshot-" + png);
                taken.image.save(QString::fromStdString(artifact.string()));
                std::cout << "PNG: " << artifact.string() << "\n";
                return taken;
            };
            auto setup = capture(empty, "setup", {"--delay", "0.5"});
            auto ready = capture(installed, "ready", {"--delay", "2"});
            auto selected = capture(installed, "selected", {"--select", dataset.boneID, "--delay", "2"});
            if (HasFatalFailure() || ready.image.isNull() || selected.image.isNull() || setup.image.isNull())
                return;

            const WindowRegions regions(size);
            EXPECT_EQ(framesIn(setup.result.out), 0);
            EXPECT_GT(framesIn(ready.result.out), 0) << ready.result.out;
            EXPECT_GT(framesIn(selected.result.out), 0) << selected.result.out;
            EXPECT_THAT(selected.result.out,
                HasSubstr("\n  selezione: " + dataset.boneName + " [" + dataset.boneID + "]\n"));
            for (const Capture* taken : {&setup, &ready, &selected}) {
                const PixelProbe probe(taken->image);
                for (QRect strip : {regions.sidebarStrip, regions.inspectorStrip}) {
                    if (dark)
                        EXPECT_LT(probe.luminance(strip), 0.35);
                    else
                        EXPECT_GT(probe.luminance(strip), 0.65);
                }
            }
            EXPECT_GT(PixelProbe(setup.image).near(regions.setupColumn, Brand::accent(), 40), 500);

            const PixelProbe drawn(ready.image);
            EXPECT_GT(drawn.coveredFraction(regions.middleThird(), regions.viewport.x() + 4), 0.05);
            for (AnatomySystem system : {AnatomySystem::skeletal, AnatomySystem::muscular})
                EXPECT_GT(drawn.near(regions.sidebarStrip, Theme::color(system), 12), 20)
                    << static_cast<int>(system);

            const PixelProbe chosen(selected.image);
            const QColor text = Theme::palette(appearance).color(QPalette::WindowText);
            EXPECT_GT(chosen.near(regions.inspectorHeader, text, 40), 50);
            EXPECT_GT(chosen.differingFraction(ready.image, regions.viewport), 0.02);
        }
}
