#include "mrvtool/Args.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/ProgressPrinter.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

using namespace morvena::tool;

TEST(ArgsParsing, splitsOptionsFlagsAndPositionalWords)
{
    Args args(
        {"femur", "--id", "a", "--id", "b", "--all", "--out", "--isolate", "--limit", "-3", "-x", "--"});
    EXPECT_EQ(args.positional, (std::vector<std::string> {"femur", "-x"}));
    EXPECT_EQ(args.option("id"), "b");
    EXPECT_EQ(args.option("limit"), "-3");
    EXPECT_FALSE(args.option("out"));
    EXPECT_TRUE(args.flag("all"));
    EXPECT_TRUE(args.flag("out"));
    EXPECT_TRUE(args.flag("isolate"));
    EXPECT_TRUE(args.flag(""));
}

TEST(ArgsParsing, lastWordIsAFlagAndANameCanBeBoth)
{
    Args args({"--id", "x", "--id"});
    EXPECT_EQ(args.option("id"), "x");
    EXPECT_TRUE(args.flag("id"));
}

TEST(ArgsParsing, urlExpandsHomeAndResolvesRelativePaths)
{
    Args args({"--out", "~/a.png", "--in", "rel/b.obj", "--flag"});
    EXPECT_EQ(args.url("out")->string(), std::string(getenv("HOME")) + "/a.png");
    EXPECT_EQ(*args.url("in"), std::filesystem::current_path() / "rel/b.obj");
    EXPECT_FALSE(args.url("flag"));
}

TEST(ArgsParsing, urlExpandsAnotherUsersHomeAndKeepsUnknownNames)
{
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* me = nullptr;
    ASSERT_EQ(getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &me), 0);
    ASSERT_TRUE(me);
    Args args({"--named", "~" + std::string(me->pw_name) + "/a.glb", "--home", "~", "--unknown",
        "~nessun-utente-cosi/a.glb"});
    EXPECT_EQ(*args.url("named"), std::filesystem::path(me->pw_dir) / "a.glb");
    EXPECT_EQ(*args.url("home"), std::filesystem::path(getenv("HOME")));
    EXPECT_EQ(*args.url("unknown"), std::filesystem::current_path() / "~nessun-utente-cosi/a.glb");
}

TEST(NumberParsing, integersAreWholeTextDecimalsThatFit)
{
    EXPECT_EQ(parseInteger("42"), 42);
    EXPECT_EQ(parseInteger("+7"), 7);
    EXPECT_EQ(parseInteger("-9223372036854775808"), std::numeric_limits<long long>::min());
    for (const char* bad : {"", "+", "-", " 1", "1 ", "1.0", "0x10", "9223372036854775808", "1e3"})
        EXPECT_FALSE(parseInteger(bad)) << bad;
    EXPECT_DOUBLE_EQ(*parseDecimal("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(*parseDecimal("-2"), -2.0);
    EXPECT_FALSE(parseDecimal("1,5"));
    EXPECT_FALSE(parseDecimal("abc"));
}

TEST(Formatting, humanCountGroupsThousandsWithFullStops)
{
    EXPECT_EQ(humanCount(0), "0");
    EXPECT_EQ(humanCount(999), "999");
    EXPECT_EQ(humanCount(1000), "1.000");
    EXPECT_EQ(humanCount(1234567), "1.234.567");
    EXPECT_EQ(humanCount(-1234), "-1.234");
}

TEST(Formatting, columnsCountCharactersNotBytes)
{
    EXPECT_EQ(pad("abc", 2), "abc");
    EXPECT_EQ(pad("ab", 4), "ab  ");
    EXPECT_EQ(cell("abc", 3), "abc ");
    EXPECT_EQ(cell("ab", 4), "ab  ");
    EXPECT_EQ(rpad("7", 3), "  7");
    EXPECT_EQ(rcell("7", 3), "  7");
    EXPECT_EQ(rcell("1538.82 ms", 10), " 1538.82 ms");
    EXPECT_EQ(rcell("12345.00 ms", 10), " 12345.00 ms");
    EXPECT_EQ(pad("è", 3), "è  ");
    EXPECT_EQ(pad("e\u0301", 2), "e\u0301 ");
    EXPECT_EQ(format("%.1f", 2.25), "2.2");
}

TEST(ProgressLines, repeatAreSuppressedAndShortLinesPadded)
{
    ProgressPrinter printer;
    auto first = printer.render(0.05, "Lettura");
    EXPECT_EQ(first, "\r[  5%] Lettura" + std::string(70 - 14, ' '));
    EXPECT_EQ(printer.render(0.051, "Lettura"), "");
    EXPECT_NE(printer.render(0.06, "Lettura"), "");
    std::string longMessage(80, 'x');
    EXPECT_EQ(printer.render(1.0, longMessage), "\r[100%] " + longMessage);
}
