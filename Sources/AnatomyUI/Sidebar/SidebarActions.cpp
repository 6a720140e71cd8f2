#include "AnatomyUI/Sidebar/SidebarActions.h"

#include "AnatomyUI/Model/AppModel.h"

namespace morvena::SidebarActions {

void selectAndFrame(AppModel* model, const std::string& conceptID)
{
    if (!model)
        return;
    model->selectConcept(conceptID, true);
    model->focusSelection();
}

} // namespace morvena::SidebarActions
