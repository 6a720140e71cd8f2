#include "AnatomyUI/Inspector/StructureCardSection.h"

#include "AnatomyUI/Inspector/InspectorLook.h"

#include <QVBoxLayout>

namespace morvena {

StructureCardSection::StructureCardSection(AppModel& model, int spacing, const char* name, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , column_(InspectorLook::sectionColumn(*this, spacing, name))
{
    model_.whenChanged({AppModel::Field::selection, AppModel::Field::manifest}, this, [this] { refresh(); });
}

void StructureCardSection::refresh()
{
    if (const auto* primary = model_.primary())
        showStructure(*primary);
}

} // namespace morvena
