#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace morvena {

// The datasets on disk, each with "Apri", and the notice of those that could not be
// read, selectable, with its removal command in a read-only field of its own; hidden
// while there is neither. Follows the model's installed datasets.
class InstalledList : public QWidget {
    Q_OBJECT

public:
    explicit InstalledList(AppModel& model, QWidget* parent = nullptr);

private:
    void refresh();
    QWidget* makeRow(const DatasetManifest& manifest);

    AppModel& model_;
    QVBoxLayout* rows_ = nullptr;
    QLabel* unreadableNotice_ = nullptr;
    QLineEdit* removalCommand_ = nullptr;
};

} // namespace morvena
