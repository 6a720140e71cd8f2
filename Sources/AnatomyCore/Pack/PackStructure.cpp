#include "AnatomyCore/Pack/PackStructure.h"

#include <algorithm>
#include <array>

namespace morvena {

namespace {

// Levels 0 to 2 pick their own field; every other level, negative ones
// included, picks level 3's.
std::size_t levelSlot(int lod)
{
    return lod >= 0 && lod < PackFormat::maxLODs ? static_cast<std::size_t>(lod) : PackFormat::maxLODs - 1;
}

template <class Record> auto& lodStartField(Record& record, int lod)
{
    const std::array fields {&record.lod0Start, &record.lod1Start, &record.lod2Start, &record.lod3Start};
    return *fields[levelSlot(lod)];
}

template <class Record> auto& lodCountField(Record& record, int lod)
{
    const std::array fields {&record.lod0Count, &record.lod1Count, &record.lod2Count, &record.lod3Count};
    return *fields[levelSlot(lod)];
}

} // namespace

void PackStructure::setCenter(Float3 point)
{
    cx = point.x;
    cy = point.y;
    cz = point.z;
}

void PackStructure::setBounds(Float3 low, Float3 high)
{
    minX = low.x;
    minY = low.y;
    minZ = low.z;
    maxX = high.x;
    maxY = high.y;
    maxZ = high.z;
}

std::uint32_t PackStructure::lodIndexStart(int lod) const
{
    return lodStartField(*this, lod);
}

std::uint32_t PackStructure::lodIndexCount(int lod) const
{
    return lodCountField(*this, lod);
}

void PackStructure::setLODRun(int lod, std::uint32_t start, std::uint32_t count)
{
    lodStartField(*this, lod) = start;
    lodCountField(*this, lod) = count;
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
