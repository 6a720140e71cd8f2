#include "AnatomyRender/BackgroundPalette.h"
#include "AnatomyRender/Internal/ToneCurve.h"

#include <gtest/gtest.h>

using namespace morvena;

TEST(ToneCurve, inverseLandsEveryBackgroundColourWithinHalfAThousandth)
{
    for (float exposure : {1.04f, 0.5f, 2.0f}) {
        for (auto palette : allBackgroundPalettes()) {
            for (auto colour : colors(palette)) {
                for (float channel : {colour.x, colour.y, colour.z}) {
                    float v = ToneCurve::inverse(channel, exposure);
                    EXPECT_GE(v, 0);
                    EXPECT_NEAR(ToneCurve::apply(exposure * v), channel, 0.0005f) << exposure;
                }
            }
        }
    }
    EXPECT_EQ(ToneCurve::inverse(0, 1.04f), 0);
    EXPECT_NEAR(ToneCurve::apply(1), 0.5739645f, 1e-6);
}
