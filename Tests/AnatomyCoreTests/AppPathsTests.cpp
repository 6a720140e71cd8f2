#include "AnatomyCore/Storage/AppPaths.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace morvena;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one scope and restores it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(AppPaths, datasetFilesLiveInTheXDGDataFolder)
{
    fs::path data = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(AppPaths::applicationSupport(), data / "Morvena");
    EXPECT_EQ(AppPaths::datasetsDirectory(), data / "Morvena/datasets");
    EXPECT_EQ(AppPaths::datasetDirectory("bodyparts3d-4.0"), data / "Morvena/datasets/bodyparts3d-4.0");
    EXPECT_EQ(AppPaths::packURL("a"), data / "Morvena/datasets/a/geometry.mrvpack");
    EXPECT_EQ(AppPaths::databaseURL("a"), data / "Morvena/datasets/a/anatomy.sqlite");
    EXPECT_EQ(AppPaths::manifestURL("a"), data / "Morvena/datasets/a/manifest.json");
    EXPECT_EQ(AppPaths::settingsDirectory(), fs::path(std::getenv("XDG_CONFIG_HOME")) / "Morvena");
    EXPECT_FALSE(fs::exists(AppPaths::datasetsDirectory())) << "getters create nothing";
}

TEST(AppPaths, unsetOrRelativeXDGVariablesFallBackBelowHome)
{
    fs::path home = std::getenv("HOME");
    {
        ScopedVariable data("XDG_DATA_HOME", nullptr);
        ScopedVariable config("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(AppPaths::applicationSupport(), home / ".local/share/Morvena");
        EXPECT_EQ(AppPaths::settingsDirectory(), home / ".config/Morvena");
    }
    ScopedVariable tmp("TMPDIR", "");
    EXPECT_EQ(AppPaths::temporaryDirectory(), fs::path("/tmp"));
}

TEST(AppPaths, screenshotsFollowTheConfiguredPicturesFolder)
{
    fs::path home = std::getenv("HOME");
    fs::path config = std::getenv("XDG_CONFIG_HOME");
    EXPECT_EQ(AppPaths::screenshotsDirectory(), home / "Pictures/Morvena");

    test::writeFile(config / "user-dirs.dirs",
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/Scrivania\"\n"
        "XDG_PICTURES_DIR=\"$HOME/Immagini\"\n");
    EXPECT_EQ(AppPaths::screenshotsDirectory(), home / "Immagini/Morvena");
    {
        ScopedVariable pictures("XDG_PICTURES_DIR", "/srv/foto");
        EXPECT_EQ(AppPaths::screenshotsDirectory(), fs::path("/srv/foto/Morvena"));
    }
    fs::remove(config / "user-dirs.dirs");
    EXPECT_FALSE(fs::exists(home / "Pictures/Morvena"));
}

TEST(AppPaths, ensureDirectoriesCreatesTheDatasetsFolderAndToleratesRepeats)
{
    AppPaths::ensureDirectories();
    EXPECT_TRUE(fs::is_directory(AppPaths::datasetsDirectory()));
    AppPaths::ensureDirectories();
    EXPECT_TRUE(fs::is_directory(AppPaths::datasetsDirectory()));
    fs::remove_all(AppPaths::applicationSupport());
}

TEST(AppPaths, idsThatCouldLeaveTheDatasetsFolderAreRefused)
{
    const std::string refused[] = {
        "", ".", "..", "../etc", "a/b", "/abs", "a\\b", "a..b", ".hidden", ".x.incoming",
        std::string("nul\0byte", 8), "tab\there", "line\nbreak", "del\x7f", "c1\xc2\x85", "bad\xff utf8",
        "\xc0\xaf", // overlong "/"
        "\xed\xa0\x80", // surrogate
        "cut\xe2\x82", // sequence cut short
        std::string(201, 'a'), // longer than a hidden ".<id>.incoming" sibling allows
        "skel\u202eosso\u2066x", // right-to-left override, left-to-right isolate
        "rtl\u200fmark", "zero\u200bwidth", "joiner\u200d", "soft\u00adhyphen", "bom\ufeff", "tag\U000E0041",
        "line\u2028sep",
        "\u3164\u3164", // Hangul fillers, alone or in a syllable: blank on screen
        "\u115f", "\u1160", "\uffa0", "\u1100\u1160",
        "cgj\u034f", // an ignorable mark
        "cuore\u2764\ufe0f", "skel\ufe00", "skel\U000E0100", "\u1820\u180b", "\u1820\u180f", // selectors
        " skel", "skel\u00a0", "\u3000skel", "skel\u2800", "\u2800", // blank at an end
        "\u0301skel", "\u093fskel", // a mark first
        "skel\U0001D159", "skel\ufffc", // shown as nothing, or as a stand-in for nothing
    };
    for (const auto& id : refused) {
        EXPECT_FALSE(AppPaths::isValidDatasetID(id)) << id;
        EXPECT_THROW(AppPaths::datasetDirectory(id), AppPaths::InvalidDatasetID) << id;
        EXPECT_THROW(AppPaths::manifestURL(id), AppPaths::InvalidDatasetID) << id;
    }
    const std::string accepted[] = {"bodyparts3d-4.0", "cuore umano", "scheletro-è-più",
        std::string(200, 'a'), "v1.2", "a.b.c", "심장", "cuore\u2764", "cafe\u0301"};
    for (const auto& id : accepted) {
        EXPECT_TRUE(AppPaths::isValidDatasetID(id)) << id;
        EXPECT_EQ(AppPaths::datasetDirectory(id).parent_path(), AppPaths::datasetsDirectory());
        EXPECT_EQ(AppPaths::datasetDirectory(id).filename(), fs::path(id));
    }
}

TEST(AppPaths, refusalMessageIsItalianAndQuotesThePrintableId)
{
    try {
        AppPaths::validateDatasetID("../x\n");
        FAIL() << "accepted";
    } catch (const AppPaths::InvalidDatasetID& error) {
        EXPECT_STREQ(error.what(), "Identificativo di dataset non valido \"../x?\": inizia con un punto.");
    }
    try {
        AppPaths::validateDatasetID("a/b");
        FAIL() << "accepted";
    } catch (const AppPaths::InvalidDatasetID& error) {
        EXPECT_STREQ(error.what(),
            "Identificativo di dataset non valido \"a/b\": contiene un separatore di percorso.");
    }
    try {
        AppPaths::validateDatasetID("\u3164\u3164");
        FAIL() << "accepted";
    } catch (const AppPaths::InvalidDatasetID& error) {
        EXPECT_STREQ(
            error.what(), "Identificativo di dataset non valido \"??\": contiene caratteri invisibili.");
    }
    // Invisible characters are masked, and a long id is cut where a character
    // ends within the 60 bytes quoted: not inside "è" (two bytes), nor between
    // "e" and its accent; inside a character only when it alone is longer.
    std::string accents;
    for (int i = 0; i < 29; ++i)
        accents += "\u0301";
    const std::pair<std::string, std::string> quoted[] = {
        {"skel\u202eosso\u2066x", "skel?osso?x"},
        {std::string(59, 'a') + "\u00e8\u202e", std::string(59, 'a') + "…"},
        {std::string(59, 'a') + "e\u0301\n", std::string(59, 'a') + "…"},
        {"e" + accents + accents + "\u200b", "e" + accents + "…"},
    };
    for (const auto& [id, shown] : quoted) {
        try {
            AppPaths::validateDatasetID(id);
            ADD_FAILURE() << "accepted " << id;
        } catch (const AppPaths::InvalidDatasetID& error) {
            EXPECT_EQ(error.what(),
                "Identificativo di dataset non valido \"" + shown + "\": contiene caratteri di controllo.")
                << id;
        }
    }
}
