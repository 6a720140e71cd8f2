#pragma once

#include "AnatomyUI/Inspector/StructureCardSection.h"

namespace morvena {

class WrappingLabel;

// Where the card's content comes from: what is verified and which dataset gave the
// geometry, and the loaded dataset's attribution.
class CoverageSection : public StructureCardSection {
    Q_OBJECT

public:
    explicit CoverageSection(AppModel& model, QWidget* parent = nullptr);

private:
    void showStructure(const AnatomyStructure& primary) override;

    QWidget* line_ = nullptr;
    WrappingLabel* text_ = nullptr;
    WrappingLabel* attribution_ = nullptr;
};

} // namespace morvena
