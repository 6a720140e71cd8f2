#include "AnatomyCore/Support/FormerStructureIDs.h"

#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>

namespace morvena {

std::string FormerStructureIDs::of(std::string_view name)
{
    auto id = UnicodeText::lowercased(name);
    std::ranges::replace(id, ' ', '_');
    return id;
}

void FormerStructureIDs::add(std::string_view conceptID, std::string_view name)
{
    auto [entry, added] = structures_.try_emplace(of(name), std::string(conceptID));
    if (!added && entry->second != conceptID)
        entry->second.reset();
}

std::optional<std::string> FormerStructureIDs::structureOf(const std::string& formerID) const
{
    const auto found = structures_.find(formerID);
    return found != structures_.end() ? found->second : std::nullopt;
}

} // namespace morvena
