#include "AnatomyRender/PNGEncoder.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cstring>

using namespace morvena;

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
