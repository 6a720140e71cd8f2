#include "AnatomyUI/Sidebar/SavedViewsSection.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Model/SavedViewListModel.h"
#include "AnatomyUI/Sidebar/LastPressPosition.h"
#include "AnatomyUI/Sidebar/SavedViewDelegate.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>
#include <QVBoxLayout>

namespace morvena {

SavedViewsSection::SavedViewsSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
{
    auto* layout = ViewText::column(this, 6);
    layout->addLayout(makeNameRow());
    listModel_ = new SavedViewListModel(this);
    listModel_->setToolTipStyle(DisplayText::toolTip);
    list_ = SidebarLook::listView("savedViewsList", this);
    press_ = new LastPressPosition(*list_->viewport());
    list_->setModel(listModel_);
    list_->setItemDelegate(new SavedViewDelegate(list_));
    connect(list_, &QListView::clicked, this, &SavedViewsSection::viewClicked);
    layout->addWidget(list_, 1);
    connect(&model, &AppModel::changed, this, &SavedViewsSection::refresh);
    listModel_->setViews(model.savedViews());
}

QString SavedViewsSection::newViewName() const
{
    return name_->text();
}

QLayout* SavedViewsSection::makeNameRow()
{
    auto* nameRow = new QHBoxLayout;
    nameRow->setContentsMargins(12, 0, 12, 0);
    nameRow->setSpacing(6);
    name_ = new QLineEdit(this);
    name_->setObjectName("viewName");
    name_->setPlaceholderText("Nome della vista");
    name_->setFont(Theme::font(Theme::TextStyle::caption));
    name_->setFocusPolicy(Qt::ClickFocus);
    auto* save = new QToolButton(this);
    save->setObjectName("saveView");
    save->setFocusPolicy(Qt::NoFocus);
    save->setIcon(IconRegistry::shared().icon("plus"));
    save->setToolTip("Salva la vista corrente");
    connect(save, &QToolButton::clicked, this, &SavedViewsSection::saveView);
    nameRow->addWidget(name_, 1);
    nameRow->addWidget(save);
    return nameRow;
}

void SavedViewsSection::refresh(AppModel::Field field)
{
    if (field == AppModel::Field::savedViews)
        listModel_->setViews(model_->savedViews());
}

void SavedViewsSection::viewClicked(const QModelIndex& index)
{
    const auto* view = listModel_->view(index);
    if (!view || !model_)
        return;
    const auto chosen = *view; // the list is read again by a delete
    if (SavedViewDelegate::trashRect(list_->visualRect(index)).contains(press_->point()))
        model_->deleteView(chosen);
    else
        model_->restore(chosen);
}

void SavedViewsSection::saveView()
{
    if (model_ && model_->saveCurrentView(name_->text().toStdString()))
        name_->clear();
}

} // namespace morvena
