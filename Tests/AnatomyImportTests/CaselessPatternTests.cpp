#include "AnatomyImport/Naming/CaselessPattern.h"

#include <gtest/gtest.h>

using namespace morvena;

TEST(CaselessPatternDeathTest, aPatternThatDoesNotCompileStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(CaselessPattern("(unclosed"), "espressione regolare non valida");
}

TEST(CaselessPattern, searchesAnywhereIgnoringCase)
{
    CaselessPattern pattern(R"(\bmid\b|brain)");
    EXPECT_TRUE(pattern.search("MIDBRAIN"));
    EXPECT_TRUE(pattern.search("the mid line"));
    EXPECT_FALSE(pattern.search("amid"));
    EXPECT_FALSE(pattern.search(""));
    EXPECT_TRUE(CaselessPattern("^$").search(""));
    EXPECT_TRUE(CaselessPattern("fémur").search("Head of FÉMUR"));
}
