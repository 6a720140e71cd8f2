#include "AnatomyUI/Model/ExportImageSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace morvena {

void PrintTo(const ExportImageSize& size, std::ostream* out)
{
    *out << size.width << " x " << size.height;
}

} // namespace morvena

using namespace morvena;

namespace {

constexpr ExportImageSize roomy {16384, 16384};

} // namespace

TEST(ExportImageSize, scaledEvenAndNeverBelowTwoPixels)
{
    struct Case {
        float2 drawable;
        int scale;
        ExportImageSize expected;
    };
    const Case cases[] = {
        {{64, 48}, 2, {128, 96}},
        {{1, 1}, 2, {2, 2}},
        {{701, 500}, 2, {1402, 1000}},
        {{701, 500}, 1, {700, 500}},
        {{701.9f, 500.5f}, 1, {700, 500}}, // truncated first
        {{3, 5}, 1, {2, 4}}, // 3 is not above 3
        {{0, -4}, 2, {2, 2}},
        {{std::numeric_limits<float>::quiet_NaN(), 10}, 1, {2, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.drawable.x) + " x " + std::to_string(c.drawable.y));
        EXPECT_EQ(ExportImageSize::of(c.drawable, c.scale, roomy), c.expected);
    }
}

TEST(ExportImageSize, beyondWhatTheGPUDrawsBothSidesShrinkByOneFactor)
{
    struct Case {
        float2 drawable;
        ExportImageSize largest;
        ExportImageSize expected;
    };
    const Case cases[] = {
        {{10000, 5000}, {16384, 16384}, {16384, 8192}},
        {{10000, 5000}, {16383, 16383}, {16382, 8190}},
        {{4000, 9000}, {16384, 8192}, {3640, 8192}},
        {{100000, 1}, {16384, 16384}, {16384, 2}},
        {{std::numeric_limits<float>::infinity(), 600}, {16384, 16384}, {16384, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.drawable.x) + " x " + std::to_string(c.drawable.y));
        const auto size = ExportImageSize::of(c.drawable, 2, c.largest);
        EXPECT_EQ(size, c.expected);
        EXPECT_LE(size.width, c.largest.width);
        EXPECT_LE(size.height, c.largest.height);
        EXPECT_EQ(size.width % 2, 0);
        EXPECT_EQ(size.height % 2, 0);
    }
}
