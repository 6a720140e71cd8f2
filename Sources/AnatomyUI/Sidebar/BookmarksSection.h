#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QListView;

namespace morvena {

class SearchHitListModel;

// The structures the user bookmarked, in the model's order: a click selects and
// frames one. Without any, a sentence says where bookmarks come from.
class BookmarksSection : public QWidget {
    Q_OBJECT

public:
    explicit BookmarksSection(AppModel& model, QWidget* parent = nullptr);

private:
    // Follows the bookmarks; other fields are ignored.
    void refresh(AppModel::Field field);
    void refreshBookmarks();

    QPointer<AppModel> model_;
    QLabel* empty_ = nullptr;
    QListView* list_ = nullptr;
    SearchHitListModel* listModel_ = nullptr;
};

} // namespace morvena
