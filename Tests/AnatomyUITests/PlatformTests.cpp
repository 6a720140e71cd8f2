#include "AnatomyUI/Model/Platform.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

using namespace morvena;

namespace {

// HOME, the settings folder and TMPDIR of the test's own, restored afterwards.
class UserFolders {
public:
    UserFolders()
        : home(folder.path() / "home")
        , config(folder.path() / "config")
        , temporary(folder.path() / "tmp")
    {
        for (const auto& each : {home, config, temporary})
            std::filesystem::create_directories(each);
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "TMPDIR", "XDG_PICTURES_DIR"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv("TMPDIR", temporary.c_str(), 1);
        unsetenv("XDG_PICTURES_DIR");
    }
    ~UserFolders()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    UserFolders(const UserFolders&) = delete;
    UserFolders& operator=(const UserFolders&) = delete;

    test::TemporaryFolder folder;
    std::filesystem::path home;
    std::filesystem::path config;
    std::filesystem::path temporary;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace

TEST(PlatformExportDirectory, theUsersPicturesFolderElsePicturesInHomeElseTheTemporaryFolder)
{
    {
        UserFolders user;
        std::ofstream(user.config / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Immagini\"\n";
        EXPECT_EQ(Platform::exportDirectory(), user.home / "Immagini/Morvena");
        EXPECT_TRUE(std::filesystem::is_directory(user.home / "Immagini/Morvena"));
    }
    {
        UserFolders user;
        EXPECT_EQ(Platform::exportDirectory(), user.home / "Pictures/Morvena");
    }
    {
        UserFolders user;
        std::ofstream(user.home / "Pictures") << "un file, non una cartella";
        EXPECT_EQ(Platform::exportDirectory(), user.temporary / "Morvena");
    }
}

TEST(PlatformPNG, aSinglePixelComesBackAsItWas)
{
    const RenderedImage image {1, 1, {30, 120, 210, 0}}; // blue, green, red, ignored
    const auto png = Platform::pngData(image);
    ASSERT_TRUE(png);
    png_image decoded {};
    decoded.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&decoded, png->data(), png->size()));
    EXPECT_EQ(decoded.width, 1u);
    EXPECT_EQ(decoded.height, 1u);
    decoded.format = PNG_FORMAT_RGB;
    std::uint8_t rgb[3] = {};
    ASSERT_TRUE(png_image_finish_read(&decoded, nullptr, rgb, 0, nullptr));
    EXPECT_EQ(rgb[0], 210);
    EXPECT_EQ(rgb[1], 120);
    EXPECT_EQ(rgb[2], 30);

    EXPECT_EQ(Platform::pngData(RenderedImage {2, 2, {1, 2, 3}}), std::nullopt) << "pixels short of the size";
}
