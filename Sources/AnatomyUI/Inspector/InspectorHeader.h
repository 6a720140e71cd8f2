#pragma once

#include "AnatomyUI/Inspector/StructureCardSection.h"

#include <vector>

class QToolButton;
class QVBoxLayout;

namespace morvena {

class FitSwitcher;
class WrappingLabel;

// The card's head: the structure's name with its bookmark, its system, region and
// side, and the quick actions (centre, isolate, transparency), titled where they fit.
// Follows the selection, the loaded dataset and the bookmarks.
class InspectorHeader : public StructureCardSection {
    Q_OBJECT

public:
    explicit InspectorHeader(AppModel& model, QWidget* parent = nullptr);

private:
    // One action of the action row, in both of its forms.
    struct Action {
        QToolButton* titled = nullptr;
        QToolButton* iconOnly = nullptr;
    };

    QWidget* makeActionRow();
    QWidget* makeActionAlternative(bool titled);

    void showStructure(const AnatomyStructure& primary) override;
    void refreshBookmark();
    void toggleTransparency();

    WrappingLabel* name_ = nullptr;
    QToolButton* bookmark_ = nullptr;
    QVBoxLayout* systemLine_ = nullptr;
    FitSwitcher* actions_ = nullptr;
    std::vector<Action> actionButtons_;
};

} // namespace morvena
