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
// ASCII letters lowered; the systems' names are ASCII.
std::string lowered(std::string_view text);
// Blanks and tabs removed from both ends.
std::string_view trimmed(std::string_view text);

} // namespace morvena::tool
