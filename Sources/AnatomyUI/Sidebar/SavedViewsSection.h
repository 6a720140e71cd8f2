#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

class QLayout;
class QLineEdit;
class QListView;
class QModelIndex;

namespace morvena {

class LastPressPosition;
class SavedViewListModel;

// The views the user saved, under the field that names a new one and the button that
// saves the current view: a click restores a view, its trash deletes it.
class SavedViewsSection : public QWidget {
    Q_OBJECT

public:
    explicit SavedViewsSection(AppModel& model, QWidget* parent = nullptr);

    QString newViewName() const;

private:
    QLayout* makeNameRow();
    // Follows the saved views; other fields are ignored.
    void refresh(AppModel::Field field);
    void viewClicked(const QModelIndex& index);
    void saveView();

    QPointer<AppModel> model_;
    QLineEdit* name_ = nullptr;
    QListView* list_ = nullptr;
    SavedViewListModel* listModel_ = nullptr;
    LastPressPosition* press_ = nullptr;
};

} // namespace morvena
