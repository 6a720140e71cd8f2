#pragma once

#include "AnatomyUI/Inspector/StructureCardSection.h"

class QLabel;
class QVBoxLayout;

namespace morvena {

// The structure's description, function, origin, insertion, innervation and blood
// supply, or a note that the dataset has none of them.
class AnatomySection : public StructureCardSection {
    Q_OBJECT

public:
    explicit AnatomySection(AppModel& model, QWidget* parent = nullptr);

private:
    void showStructure(const AnatomyStructure& primary) override;

    QVBoxLayout* rows_ = nullptr;
    QLabel* missing_ = nullptr;
};

} // namespace morvena
