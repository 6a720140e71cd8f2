#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace morvena::tool {

// Every body system.
std::set<AnatomySystem> allSystems();
// The systems whose Italian name in lower case contains `word` (already in lower
// case), in system order.
std::vector<AnatomySystem> systemsNamed(std::string_view word);

} // namespace morvena::tool
