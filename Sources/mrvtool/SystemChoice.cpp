#include "mrvtool/SystemChoice.h"

#include <algorithm>

namespace morvena::tool {

std::set<AnatomySystem> allSystems()
{
    auto systems = allAnatomySystems();
    return {systems.begin(), systems.end()};
}

std::vector<AnatomySystem> systemsNamed(std::string_view word)
{
    std::vector<AnatomySystem> systems;
    for (auto system : allAnatomySystems())
        if (lowered(italianName(system)).find(word) != std::string::npos)
            systems.push_back(system);
    return systems;
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(
        result, result.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return result;
}

std::string_view trimmed(std::string_view text)
{
    auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace morvena::tool
