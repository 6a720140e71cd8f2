#include "AnatomyRender/Internal/PickIdentifier.h"
#include "AnatomyRender/Internal/PickWindow.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace morvena;

namespace {

struct Hit {
    int column;
    int row;
    std::uint32_t structure;
};

struct Case {
    const char* what;
    int width; // of the 5 × 5 square read back, the part inside the target
    int height;
    int cursorX;
    int cursorY;
    int tolerance;
    std::vector<Hit> hits;
    std::optional<std::uint32_t> expected;
};

} // namespace

TEST(PickWindow, nearestRingThenUpperRowThenLeftColumnWins)
{
    constexpr int side = 5;
    const Case cases[] = {
        {"under the cursor", 5, 5, 2, 2, 2, {{2, 2, 7}, {1, 1, 8}}, 7},
        {"background only", 5, 5, 2, 2, 2, {}, std::nullopt},
        {"nearer ring beats the upper left", 5, 5, 2, 2, 2, {{0, 0, 1}, {3, 3, 2}}, 2},
        {"upper row first", 5, 5, 2, 2, 2, {{3, 2, 4}, {3, 1, 5}}, 5},
        {"then left column", 5, 5, 2, 2, 2, {{3, 1, 4}, {1, 1, 6}}, 6},
        {"beyond the tolerance", 5, 5, 2, 2, 1, {{0, 0, 3}, {4, 4, 3}}, std::nullopt},
        // At the target's left edge the square starts at the cursor's column 0.
        {"rings stay on an edge cursor", 5, 5, 0, 2, 2, {{2, 2, 1}, {1, 2, 9}}, 9},
        {"texels past the target's part unread", 3, 3, 2, 2, 2, {{3, 2, 1}, {2, 3, 1}}, std::nullopt},
        {"structure zero counts", 5, 5, 2, 2, 2, {{2, 3, 0}}, 0},
    };
    for (const auto& c : cases) {
        std::vector<std::uint32_t> texels(side * side, 0);
        for (const auto& hit : c.hits)
            texels[static_cast<std::size_t>(hit.row * side + hit.column)]
                = PickIdentifier::texel(hit.structure);
        const PickWindow window {texels, side, c.width, c.height};
        EXPECT_EQ(window.nearestStructure(c.cursorX, c.cursorY, c.tolerance), c.expected) << c.what;
    }
}

TEST(PickWindow, aShortReadBackIsNeverReadPast)
{
    const std::vector<std::uint32_t> texels(7, PickIdentifier::texel(3));
    const PickWindow window {texels, 5, 5, 5};
    EXPECT_EQ(window.nearestStructure(4, 4, 4), 3u); // found in the rows that exist
    const PickWindow emptyRows {std::span<const std::uint32_t>(), 5, 5, 5};
    EXPECT_EQ(emptyRows.nearestStructure(2, 2, 2), std::nullopt);
}
