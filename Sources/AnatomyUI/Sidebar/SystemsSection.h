#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

#include <map>

class QLayout;
class QVBoxLayout;

namespace morvena {

class SystemRow;

// The anatomical systems of the loaded dataset, one row each, under the buttons that
// show them all or none. The rows follow the model's counts: a system the dataset
// lacks has none.
class SystemsSection : public QWidget {
    Q_OBJECT

public:
    explicit SystemsSection(AppModel& model, QWidget* parent = nullptr);

private:
    QLayout* makeButtons();
    // Follows the systems' counts, visibility and opacity; other fields are ignored.
    void refresh(AppModel::Field field);
    void rebuildRows();
    void refreshRows();

    QPointer<AppModel> model_;
    QWidget* rowsBox_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    std::map<AnatomySystem, SystemRow*> rows_;
};

} // namespace morvena
