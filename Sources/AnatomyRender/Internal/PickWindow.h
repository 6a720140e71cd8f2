#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace morvena {

// The pick target's texels read back around the cursor: a width × height block
// stored row after row, `stride` texels apart, each holding a PickIdentifier.
struct PickWindow {
    std::span<const std::uint32_t> texels;
    int stride = 0;
    int width = 0;
    int height = 0;

    // The structure nearest the cursor (its position inside the window, which may
    // lie off its centre near the target's edges) within `tolerance` texels, in
    // square rings: the nearest ring wins, within a ring the upper row, then the
    // left column. Texels outside the window are never read.
    std::optional<std::uint32_t> nearestStructure(int cursorX, int cursorY, int tolerance) const;
};

} // namespace morvena
