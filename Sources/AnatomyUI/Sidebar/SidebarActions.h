#pragma once

#include <string>

namespace morvena {

class AppModel;

// What the sidebar's lists do with a structure the user picks.
namespace SidebarActions {

// Selects the structure alone and frames it, the way a click on a hit or a node does.
void selectAndFrame(AppModel* model, const std::string& conceptID);

} // namespace SidebarActions

} // namespace morvena
