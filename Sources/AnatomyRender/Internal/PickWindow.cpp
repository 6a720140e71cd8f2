#include "AnatomyRender/Internal/PickWindow.h"

#include "AnatomyRender/Internal/PickIdentifier.h"

#include <algorithm>
#include <cstdlib>

namespace morvena {

std::optional<std::uint32_t> PickWindow::nearestStructure(int cursorX, int cursorY, int tolerance) const
{
    for (int ring = 0; ring <= tolerance; ++ring) {
        for (int dy = -ring; dy <= ring; ++dy) {
            int row = cursorY + dy;
            if (row < 0 || row >= height)
                continue;
            for (int dx = -ring; dx <= ring; ++dx) {
                int column = cursorX + dx;
                if (std::max(std::abs(dx), std::abs(dy)) != ring || column < 0 || column >= width)
                    continue;
                auto at = static_cast<std::size_t>(row) * static_cast<std::size_t>(stride)
                    + static_cast<std::size_t>(column);
                if (at >= texels.size())
                    continue;
                if (auto structure = PickIdentifier::structureIndex(texels[at]))
                    return structure;
            }
        }
    }
    return std::nullopt;
}

} // namespace morvena
