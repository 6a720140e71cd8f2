#include "mrvtool/Args.h"
#include "mrvtool/SystemChoice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::tool;
using ::testing::ElementsAre;

TEST(SystemChoice, wordsMatchInsideLowerCaseItalianNames)
{
    EXPECT_THAT(systemsNamed("schel"), ElementsAre(AnatomySystem::skeletal));
    EXPECT_THAT(systemsNamed("sistema"),
        ElementsAre(AnatomySystem::nervous, AnatomySystem::endocrine, AnatomySystem::lymphatic));
    EXPECT_TRUE(systemsNamed("Scheletro").empty());
    EXPECT_EQ(allSystems().size(), anatomySystemCount);
}

TEST(ArgsValues, integerAndNumberOptionsFallBackWhenUnparsable)
{
    Args args({"--width", "abc", "--height", "-3", "--explode", "0.5", "--ao", "x", "--exposure", "nan",
        "--clip-offset", "-inf"});
    EXPECT_EQ(args.integer("width", 1600), 1600);
    EXPECT_EQ(args.integer("height", 1000), -3);
    EXPECT_EQ(args.integer("frames", 40), 40);
    EXPECT_DOUBLE_EQ(*args.number("explode"), 0.5);
    EXPECT_FALSE(args.number("ao"));
    EXPECT_FALSE(args.number("exposure"));
    EXPECT_FALSE(args.number("clip-offset"));
    EXPECT_FALSE(args.number("ao-radius"));
}
