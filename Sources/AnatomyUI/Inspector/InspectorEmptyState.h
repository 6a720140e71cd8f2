#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QWidget>

namespace morvena {

class WrappingLabel;

// What the inspector shows with nothing selected: how to select, and the loaded
// dataset's name, size, licence, missing systems and notes. Follows the model's
// manifest.
class InspectorEmptyState : public QWidget {
    Q_OBJECT

public:
    explicit InspectorEmptyState(AppModel& model, QWidget* parent = nullptr);

private:
    QWidget* makeDatasetInfo();
    void refresh();

    AppModel& model_;
    QWidget* datasetInfo_ = nullptr;
    WrappingLabel* datasetName_ = nullptr;
    WrappingLabel* datasetCounts_ = nullptr;
    WrappingLabel* datasetLicense_ = nullptr;
    WrappingLabel* datasetMissing_ = nullptr;
    WrappingLabel* datasetNotes_ = nullptr;
};

} // namespace morvena
