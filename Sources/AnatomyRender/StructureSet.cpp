#include "AnatomyRender/StructureSet.h"

#include <algorithm>

namespace morvena {

StructureSet::StructureSet(std::size_t structureCount)
    : capacity_(static_cast<std::int64_t>(structureCount))
    , bits_((structureCount + 63) / 64, 0)
{
}

bool StructureSet::containsOutsideRange(std::int64_t index) const
{
    return std::find(members_.begin(), members_.end(), index) != members_.end();
}

bool StructureSet::insert(std::int64_t index)
{
    if (contains(index))
        return false;
    members_.push_back(index);
    setBit(index, true);
    return true;
}

bool StructureSet::erase(std::int64_t index)
{
    auto found = std::find(members_.begin(), members_.end(), index);
    if (found == members_.end())
        return false;
    members_.erase(found);
    setBit(index, false);
    return true;
}

void StructureSet::clear()
{
    for (std::int64_t index : members_)
        setBit(index, false);
    members_.clear();
}

void StructureSet::assign(std::span<const std::int64_t> indices)
{
    clear();
    for (std::int64_t index : indices)
        insert(index);
}

void StructureSet::setBit(std::int64_t index, bool value)
{
    if (!inRange(index))
        return;
    std::uint64_t mask = std::uint64_t {1} << (index % 64);
    auto& word = bits_[static_cast<std::size_t>(index) / 64];
    word = value ? (word | mask) : (word & ~mask);
}

} // namespace morvena
