#include "AnatomyCore/PackStructure.h"

#include <algorithm>

namespace morvena {

std::uint32_t PackStructure::lodIndexStart(int lod) const
{
    switch (lod) {
    case 0:
        return lod0Start;
    case 1:
        return lod1Start;
    case 2:
        return lod2Start;
    default:
        return lod3Start;
    }
}

std::uint32_t PackStructure::lodIndexCount(int lod) const
{
    switch (lod) {
    case 0:
        return lod0Count;
    case 1:
        return lod1Count;
    case 2:
        return lod2Count;
    default:
        return lod3Count;
    }
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
