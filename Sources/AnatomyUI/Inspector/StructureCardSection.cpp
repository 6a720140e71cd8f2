#include "AnatomyUI/Inspector/StructureCardSection.h"

#include "AnatomyUI/Inspector/InspectorLook.h"

#include <QVBoxLayout>

namespace morvena {

StructureCardSection::StructureCardSection(AppModel& model, int spacing, const char* name, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , column_(InspectorLook::sectionColumn(*this, spacing, name))
{
    connect(&model_, &AppModel::changed, this, &StructureCardSection::modelChanged);
}

void StructureCardSection::refresh()
{
    if (const auto* primary = model_.primary())
        showStructure(*primary);
}

void StructureCardSection::modelChanged(AppModel::Field field)
{
    if (field == AppModel::Field::selection || field == AppModel::Field::manifest)
        refresh();
}

} // namespace morvena
