#pragma once

#include "AnatomyUI/Inspector/StructureCardSection.h"

class QVBoxLayout;

namespace morvena {

// The structure's names (Italian, Latin, the dataset's English, synonyms) and its
// identifier; a missing Italian or Latin name is shown as missing.
class NomenclatureSection : public StructureCardSection {
    Q_OBJECT

public:
    explicit NomenclatureSection(AppModel& model, QWidget* parent = nullptr);

private:
    void showStructure(const AnatomyStructure& primary) override;

    QVBoxLayout* rows_ = nullptr;
};

} // namespace morvena
