#include "AnatomyUI/Window/UISnapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace morvena;

namespace {

std::vector<std::string> withProgram(std::vector<std::string> words)
{
    words.insert(words.begin(), "/usr/bin/Morvena");
    return words;
}

} // namespace

TEST(UISnapshotArguments, onlyAnExactFlagAnywhereChoosesTheSnapshot)
{
    struct Case {
        std::vector<std::string> arguments;
        bool snapshot;
    };
    const std::vector<Case> cases {
        {{"Morvena"}, false},
        {{"Morvena", "--ui-snapshot"}, true},
        {{"Morvena", "--size", "800x600", "--ui-snapshot"}, true},
        {{"--ui-snapshot"}, true}, // the program path itself
        {{"Morvena", "--ui-snapshot=shot.png"}, false},
        {{"Morvena", "--ui-snapshots"}, false},
        {{"Morvena", "-ui-snapshot"}, false},
        {{}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UISnapshot::isRequested(c.arguments), c.snapshot) << ::testing::PrintToString(c.arguments);
}

TEST(UISnapshotArguments, defaultsWithoutOptions)
{
    auto options = UISnapshot::parse(withProgram({"--ui-snapshot"}));
    EXPECT_EQ(options.output, "ui-snapshot.png");
    EXPECT_EQ(options.size, QSize(1440, 900));
    EXPECT_FALSE(options.select);
    EXPECT_EQ(options.appearance, "dark");
    EXPECT_DOUBLE_EQ(options.delaySeconds, 3.0);
}

TEST(UISnapshotArguments, eachOptionTakesTheNextArgumentAndTheLastOneWins)
{
    auto options = UISnapshot::parse(withProgram({"--ui-snapshot", "out/a.png", "--size", "800X600",
        "--select", "FMA1", "--appearance", "Light", "--delay", "0", "--select", "FMA2", "--unknown", "x"}));
    EXPECT_EQ(options.output, "out/a.png");
    EXPECT_EQ(options.size, QSize(800, 600));
    EXPECT_EQ(options.select, "FMA2");
    EXPECT_EQ(options.appearance, "Light"); // not "light": the dark appearance
    EXPECT_DOUBLE_EQ(options.delaySeconds, 0);

    // A value that begins with "--" is no output path; an option without a value is ignored.
    options = UISnapshot::parse(withProgram({"--ui-snapshot", "--size", "800x600", "--delay"}));
    EXPECT_EQ(options.output, "ui-snapshot.png");
    EXPECT_EQ(options.size, QSize(800, 600));
    EXPECT_DOUBLE_EQ(options.delaySeconds, 3.0);
}

TEST(UISnapshotArguments, sizesOutsideOneToTheLargestSideKeepTheDefault)
{
    struct Case {
        std::string value;
        QSize size;
    };
    const std::vector<Case> cases {
        {"800x600", {800, 600}},
        {"+800x+600", {800, 600}},
        {"1x1", {1, 1}},
        {"16384x16384", {16384, 16384}},
        {"800x600x2", {1440, 900}},
        {"wide", {1440, 900}},
        {"800x", {1440, 900}},
        {"x600", {1440, 900}},
        {"0x600", {1440, 900}},
        {"-800x600", {1440, 900}},
        {"16385x600", {1440, 900}},
        {"99999999999x600", {1440, 900}}, // beyond int
        {"800.5x600", {1440, 900}},
        {" 800x600", {1440, 900}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UISnapshot::parse(withProgram({"--size", c.value})).size, c.size) << c.value;
}

TEST(UISnapshotArguments, delaysAreFiniteSecondsFromZeroToADay)
{
    struct Case {
        std::string value;
        double seconds;
    };
    const std::vector<Case> cases {
        {"1.5", 1.5},
        {"+2", 2},
        {"1e1", 10},
        {"0", 0},
        {"-4", 0},
        {"86400", 86400},
        {"1e9", 86400},
        {"abc", 3},
        {"inf", 3},
        {"-inf", 3},
        {"nan", 3},
        {"infinity", 3},
        {"2s", 3},
        {"", 3},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(UISnapshot::parse(withProgram({"--delay", c.value})).delaySeconds, c.seconds)
            << c.value;
}

TEST(UISnapshotReport, linesKeepTheirFormat)
{
    EXPECT_EQ(UISnapshot::rectText(QRect(0, -12, 1441, 52)), "(0.0, -12.0, 1441.0, 52.0)");
    EXPECT_EQ(UISnapshot::rendererLine(12, 59.6, 16.666, 3, 1200, 4),
        "  renderer in finestra: 12 frame disegnati, 60 FPS, 16.67 ms/frame, 3 draw call, 1200 triangoli, 4 "
        "strutture visibili");
}
