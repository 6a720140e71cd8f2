#pragma once

#include "AnatomyUI/Inspector/StructureCardSection.h"

class QLabel;
class QVBoxLayout;

namespace morvena {

// The other selected structures, each with its system's colour; shown only while
// more than one structure is selected.
class MultipleSelectionSection : public StructureCardSection {
    Q_OBJECT

public:
    explicit MultipleSelectionSection(AppModel& model, QWidget* parent = nullptr);

private:
    void showStructure(const AnatomyStructure& primary) override;

    QLabel* title_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
};

} // namespace morvena
