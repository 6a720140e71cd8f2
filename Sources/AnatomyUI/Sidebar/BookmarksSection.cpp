#include "AnatomyUI/Sidebar/BookmarksSection.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Model/SearchHitListModel.h"
#include "AnatomyUI/Sidebar/SearchHitDelegate.h"
#include "AnatomyUI/Sidebar/SidebarActions.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"

#include <QLabel>
#include <QListView>
#include <QVBoxLayout>

namespace morvena {

BookmarksSection::BookmarksSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
{
    auto* layout = ViewText::column(this, 2);
    empty_ = SidebarLook::wrapped("Nessun segnalibro. Usa l'icona del segnalibro nella scheda anatomica.",
        Theme::font(Theme::TextStyle::caption), Theme::Foreground::secondary, this);
    empty_->setObjectName("bookmarksEmpty");
    empty_->setContentsMargins(12, 0, 12, 0);
    layout->addWidget(empty_);
    listModel_ = new SearchHitListModel(this);
    listModel_->setToolTipStyle(DisplayText::toolTip);
    list_ = SidebarLook::listView("bookmarksList", this);
    list_->setModel(listModel_);
    list_->setItemDelegate(new SearchHitDelegate(SearchHitDelegate::Kind::bookmark, list_));
    connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (const auto* hit = listModel_->hit(index))
            SidebarActions::selectAndFrame(model_, hit->conceptID);
    });
    layout->addWidget(list_, 1);
    connect(&model, &AppModel::changed, this, &BookmarksSection::refresh);
    refreshBookmarks();
}

void BookmarksSection::refresh(AppModel::Field field)
{
    if (field == AppModel::Field::bookmarks)
        refreshBookmarks();
}

void BookmarksSection::refreshBookmarks()
{
    listModel_->setHits(model_->bookmarks());
    const bool empty = model_->bookmarks().empty();
    empty_->setVisible(empty);
    list_->setVisible(!empty);
}

} // namespace morvena
