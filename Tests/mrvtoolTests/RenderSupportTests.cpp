#include "mrvtool/Args.h"
#include "mrvtool/PNGEncoder.h"
#include "mrvtool/SystemChoice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <png.h>

#include <cstring>

using namespace morvena;
using namespace morvena::tool;
using ::testing::ElementsAre;

TEST(PNGEncoding, keepsEveryPixelAndDropsTheFillerByte)
{
    RenderedImage image;
    image.width = 3;
    image.height = 2;
    for (int i = 0; i < 6; ++i) // blue, green, red, ignored
        image.pixels.insert(
            image.pixels.end(), {std::uint8_t(i), std::uint8_t(10 * i), std::uint8_t(200 + i), 7});
    auto bytes = PNGEncoder::encode(image);
    ASSERT_TRUE(bytes);

    png_image decoded;
    std::memset(&decoded, 0, sizeof decoded);
    decoded.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&decoded, bytes->data(), bytes->size()));
    EXPECT_EQ(decoded.width, 3u);
    EXPECT_EQ(decoded.height, 2u);
    EXPECT_EQ(decoded.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    decoded.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(decoded));
    ASSERT_TRUE(png_image_finish_read(&decoded, nullptr, rgb.data(), 0, nullptr));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rgb[i * 3], 200 + i);
        EXPECT_EQ(rgb[i * 3 + 1], 10 * i);
        EXPECT_EQ(rgb[i * 3 + 2], i);
    }
}

TEST(PNGEncoding, refusesPixelsThatDoNotMatchTheSize)
{
    RenderedImage image;
    image.width = 4;
    image.height = 4;
    image.pixels.resize(4 * 4 * 4 - 1);
    EXPECT_FALSE(PNGEncoder::encode(image));
    image.width = 0;
    image.pixels.clear();
    EXPECT_FALSE(PNGEncoder::encode(image));
}

TEST(SystemChoice, wordsMatchInsideLowerCaseItalianNames)
{
    EXPECT_THAT(systemsNamed("schel"), ElementsAre(AnatomySystem::skeletal));
    EXPECT_THAT(systemsNamed("sistema"),
        ElementsAre(AnatomySystem::nervous, AnatomySystem::endocrine, AnatomySystem::lymphatic));
    EXPECT_TRUE(systemsNamed("Scheletro").empty());
    EXPECT_EQ(lowered("CUORE e Vene"), "cuore e vene");
    EXPECT_EQ(trimmed("  vene\t"), "vene");
    EXPECT_EQ(trimmed("   "), "");
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
