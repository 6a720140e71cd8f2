#include "../../AnatomyUITests/ModelTestSupport.h"

#include "PixelProbe.h"
#include "ProgramRunner.h"
#include "TemporaryFolder.h"
#include "TestSandbox.h"

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

TestDataset bodyDataset()
{
    // A box across the middle of the view, so that the camera framing it fills the centre.
    TestDataset dataset("corpo", "Corpo di prova");
    dataset.add("FMA7163", "Skin", AnatomySystem::skeletal, pixelBox("FMA7163", 8, 8, 56, 56)).nameIT
        = "Cute di prova";
    return dataset;
}

long long framesIn(const std::string& out)
{
    std::smatch match;
    static const std::regex frames("renderer in finestra: (\\d+) frame disegnati");
    if (!std::regex_search(out, match, frames))
        return -1;
    return std::stoll(match[1]);
}

bool sameColour(QColor a, QColor b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// The middle of the detail column at 1440 × 900: between the 272-point sidebar and
// the 322-point inspector, below the toolbar.
constexpr QPoint viewportCentre {(272 + 1440 - 322) / 2, 470};
constexpr QPoint sidebarPoint {120, 600};

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

TEST(MorvenaSnapshot, aDatasetIsDrawnSelectedInBothAppearances)
{
    ViewerRuns runs;
    runs.install(bodyDataset());
    std::map<std::string, QImage> images;
    for (std::string appearance : {"light", "dark"}) {
        SCOPED_TRACE(appearance);
        auto result = runs.snapshot(
            {appearance + ".png", "--select", "FMA7163", "--appearance", appearance, "--delay", "2"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_GT(framesIn(result.out), 0) << result.out;
        EXPECT_THAT(result.out, HasSubstr("\n  selezione: Cute di prova [FMA7163]\n"));
        QImage image(QString::fromStdString((runs.workFolder() / (appearance + ".png")).string()));
        ASSERT_EQ(image.size(), QSize(1440, 900));
        // The body covers the middle of the viewport; the corner shows the background.
        EXPECT_FALSE(sameColour(image.pixelColor(viewportCentre), image.pixelColor(viewportCentre.x(), 880)));
        image.save(QString::fromStdString(reviewArtifact("snapshot-" + appearance + ".png").string()));
        images[appearance] = image;
    }
    EXPECT_GT(images["light"].pixelColor(sidebarPoint).lightness(),
        images["dark"].pixelColor(sidebarPoint).lightness() + 100);
    EXPECT_THAT(runs.settings(), ::testing::Not(HasSubstr("lastViewState")));
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

TEST(MorvenaSnapshot, theReadyWindowFitsAtItsSmallestSizeInBothAppearances)
{
    ViewerRuns runs;
    runs.install(bodyDataset());
    const QSize size(1120, 700);
    const QRect sidebarStrip(20, 300, 200, 300);
    for (std::string appearance : {"light", "dark"}) {
        SCOPED_TRACE(appearance);
        const std::string png = "piccola-" + appearance + ".png";
        auto result = runs.snapshot({png, "--size", "1120x700", "--appearance", appearance, "--delay", "2"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_GT(framesIn(result.out), 0) << result.out;
        EXPECT_THAT(result.out, HasSubstr("nessun contenuto fuori dai bordi"));
        QImage image(QString::fromStdString((runs.workFolder() / png).string()));
        ASSERT_EQ(image.size(), size);
        const double sidebar = PixelProbe(image).luminance(sidebarStrip);
        if (appearance == "dark")
            EXPECT_LT(sidebar, 0.35);
        else
            EXPECT_GT(sidebar, 0.65);
        const auto artifact = reviewArtifact("snapshot-1120-" + appearance + ".png");
        image.save(QString::fromStdString(artifact.string()));
        std::cout << "PNG: " << artifact.string() << "\n";
    }
}
