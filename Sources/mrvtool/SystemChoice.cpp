#include "mrvtool/SystemChoice.h"

#include "AnatomyCore/Support/UnicodeText.h"

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
        if (UnicodeText::lowercased(italianName(system)).find(word) != std::string::npos)
            systems.push_back(system);
    return systems;
}

} // namespace morvena::tool
