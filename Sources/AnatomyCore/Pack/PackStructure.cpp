#include "AnatomyCore/Pack/PackStructure.h"

#include <algorithm>

namespace morvena {

namespace {

// Levels 0 to 2 pick their own value; every other level, negative ones
// included, picks level 3's.
std::uint32_t atLevel(
    int lod, std::uint32_t level0, std::uint32_t level1, std::uint32_t level2, std::uint32_t level3)
{
    switch (lod) {
    case 0:
        return level0;
    case 1:
        return level1;
    case 2:
        return level2;
    default:
        return level3;
    }
}

} // namespace

std::uint32_t PackStructure::lodIndexStart(int lod) const
{
    return atLevel(lod, lod0Start, lod1Start, lod2Start, lod3Start);
}

std::uint32_t PackStructure::lodIndexCount(int lod) const
{
    return atLevel(lod, lod0Count, lod1Count, lod2Count, lod3Count);
}

int PackStructure::resolvedLOD(int lod) const
{
    if (lod < 1)
        return lod;
    for (int level = std::min(lod, PackFormat::maxLODs - 1); level >= 1; --level) {
        if (lodIndexCount(level) != 0)
            return level;
    }
    return 0;
}

} // namespace morvena
