#include "AnatomyRender/BackgroundPalette.h"
#include "AnatomyRender/RenderQuality.h"
#include "AnatomyRender/RendererError.h"

#include <gtest/gtest.h>

using namespace morvena;

TEST(RenderQuality, rawValuesNamesAndSampleCounts)
{
    ASSERT_EQ(allRenderQualities().size(), 3u);
    for (auto quality : allRenderQualities())
        EXPECT_EQ(renderQuality(rawValue(quality)), quality);
    EXPECT_FALSE(renderQuality(3));
    EXPECT_FALSE(renderQuality(-1));
    EXPECT_EQ(italianName(RenderQuality::alta), "Alta definizione");
    EXPECT_EQ(sampleCount(RenderQuality::standard), 4);
    EXPECT_EQ(sampleCount(RenderQuality::alta), 8);
    EXPECT_EQ(sampleCount(RenderQuality::prestazioni), 2);
    EXPECT_FALSE(hasAmbientOcclusion(RenderQuality::prestazioni));
    EXPECT_EQ(ambientOcclusionDivisor(RenderQuality::alta), 1);
    EXPECT_EQ(ambientOcclusionDivisor(RenderQuality::standard), 2);
}

TEST(BackgroundPalette, rawValuesNamesAndColours)
{
    ASSERT_EQ(allBackgroundPalettes().size(), 3u);
    for (auto palette : allBackgroundPalettes())
        EXPECT_EQ(backgroundPalette(rawValue(palette)), palette);
    EXPECT_FALSE(backgroundPalette(3));
    EXPECT_EQ(italianName(BackgroundPalette::clinico), "Clinico");
    EXPECT_EQ(colors(BackgroundPalette::neutro)[0], (Float3 {0.957f, 0.963f, 0.973f}));
    EXPECT_EQ(colors(BackgroundPalette::avorio)[1], (Float3 {0.886f, 0.865f, 0.831f}));
    EXPECT_EQ(darkBackgroundColors()[1], (Float3 {0.028f, 0.032f, 0.04f}));
}

TEST(RendererError, messagesNameOpenGLAndThisComputer)
{
    EXPECT_STREQ(
        RendererError::noDevice().what(), "Nessun dispositivo OpenGL disponibile su questo computer.");
    EXPECT_STREQ(
        RendererError::shaderSourceMissing().what(), "Shaders.glsl non trovato nelle risorse dell'app.");
    EXPECT_STREQ(RendererError::buffer().what(), "Allocazione dei buffer GPU non riuscita.");
    EXPECT_STREQ(RendererError::shaderCompilation("x").what(), "Compilazione degli shader non riuscita: x");
    auto pipeline = RendererError::pipeline("funzioni dello shader non trovate");
    EXPECT_STREQ(
        pipeline.what(), "Creazione della pipeline grafica non riuscita: funzioni dello shader non trovate");
    EXPECT_EQ(pipeline.kind(), RendererError::Kind::pipeline);
}
