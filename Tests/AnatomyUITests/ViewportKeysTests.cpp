#include "AnatomyUI/Viewport/ViewportKeys.h"

#include <gtest/gtest.h>

#include <Qt>

#include <optional>
#include <string>
#include <vector>

using namespace morvena;

TEST(ViewportKeys, textComesFromTheKeyAloneInLowerCase)
{
    const std::vector<std::pair<int, std::optional<std::string>>> cases {
        {Qt::Key_I, "i"},
        {Qt::Key_A, "a"},
        {Qt::Key_Z, "z"},
        {Qt::Key_1, "1"},
        {Qt::Key_Space, " "},
        {Qt::Key_Plus, "+"},
        {Qt::Key_Escape, "\x1b"},
        {Qt::Key_Agrave, "\u00e0"},
        {Qt::Key_Eacute, "\u00e9"},
        {Qt::Key_ssharp, "\u00df"},
        {Qt::Key_multiply, "\u00d7"},
        {Qt::Key_Left, std::nullopt},
        {Qt::Key_F1, std::nullopt},
        {Qt::Key_Return, std::nullopt},
        {0x1F, std::nullopt},
        {0x100, std::nullopt},
    };
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(ViewportKeys::text(key), expected) << std::hex << key;
}
