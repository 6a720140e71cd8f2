#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QScrollArea>

namespace morvena {

// The inspector column: the card of the first selected structure (names, system,
// quick actions, nomenclature, the other selected structures, anatomical and
// clinical texts, part-of ancestry and related structures, the user's note and
// where the content comes from), or with nothing selected the loaded dataset.
// Everything shown is the model's; each section follows the model fields it shows,
// and the column itself only which of the card and the empty state is shown.
class InspectorView : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int minimumColumnWidth = 286;

    explicit InspectorView(AppModel& model, QWidget* parent = nullptr);

private:
    QWidget* makeCard(QWidget* parent);
    void refresh();

    AppModel& model_;

    // The widgets below are owned by the view.
    QWidget* emptyState_ = nullptr;
    QWidget* card_ = nullptr;
};

} // namespace morvena
