#include "AnatomyCore/Support/DecimalText.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace morvena;

// Every text reads back as the same float, and none is in exponent form.
TEST(DecimalText, shortestFixedFormThatReadsBackExactly)
{
    struct Case {
        float value;
        std::string text;
    };
    const Case cases[] = {
        {0.0f, "0.0"},
        {-0.0f, "-0.0"},
        {-120.0f, "-120.0"},
        {-250.5f, "-250.5"},
        {0.1f, "0.1"},
        {1000000.0f, "1000000.0"},
        {-2000000.0f, "-2000000.0"},
        {16777217.0f, "16777216.0"}, // the nearest float
        {0.000015f, "0.000015"},
        {0.001f, "0.001"},
        {1e-7f, "0.0000001"},
    };
    for (const auto& c : cases) {
        auto text = decimalText(c.value);
        EXPECT_EQ(text, c.text) << c.text;
        EXPECT_EQ(std::stof(text), c.value) << c.text;
    }
    auto largest = decimalText(std::numeric_limits<float>::max());
    EXPECT_EQ(largest.find_first_of("eE"), std::string::npos);
    EXPECT_EQ(std::stof(largest), std::numeric_limits<float>::max());
    auto smallest = decimalText(std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(smallest.find_first_of("eE"), std::string::npos);
    EXPECT_EQ(smallest, "0." + std::string(44, '0') + "1");
}
