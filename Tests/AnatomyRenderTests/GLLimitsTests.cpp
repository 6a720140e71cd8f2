#include "AnatomyRender/GL/GLLimits.h"

#include <gtest/gtest.h>

using namespace morvena;

TEST(GLLimits, samplesClampToTheLargestOfferedCountNotAboveTheRequest)
{
    gl::Limits limits;
    EXPECT_EQ(limits.clampSamples(4), 1) << "no multisampling offered";
    limits.sampleCounts[0] = 8;
    limits.sampleCounts[1] = 4;
    limits.sampleCountCount = 2;
    EXPECT_EQ(limits.clampSamples(16), 8);
    EXPECT_EQ(limits.clampSamples(8), 8);
    EXPECT_EQ(limits.clampSamples(6), 4);
    EXPECT_EQ(limits.clampSamples(2), 1);
    EXPECT_EQ(limits.clampSamples(0), 1);
}

TEST(GLLimits, targetsFitWithinTextureAndFramebufferLimits)
{
    gl::Limits limits;
    limits.maxTextureSize = 16384;
    limits.maxFramebufferWidth = 8192;
    limits.maxFramebufferHeight = 16384;
    EXPECT_TRUE(limits.fits(8192, 16384));
    EXPECT_FALSE(limits.fits(8193, 10));
    EXPECT_FALSE(limits.fits(10, 16385));
    EXPECT_FALSE(limits.fits(0, 10));
    EXPECT_FALSE(limits.fits(10, -1));
}
