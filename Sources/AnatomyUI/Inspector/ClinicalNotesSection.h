#pragma once

#include "AnatomyUI/Inspector/StructureCardSection.h"

namespace morvena {

class WrappingLabel;

// The structure's clinical notes in an orange box; hidden when it has none.
class ClinicalNotesSection : public StructureCardSection {
    Q_OBJECT

public:
    explicit ClinicalNotesSection(AppModel& model, QWidget* parent = nullptr);

private:
    void showStructure(const AnatomyStructure& primary) override;

    WrappingLabel* text_ = nullptr;
};

} // namespace morvena
