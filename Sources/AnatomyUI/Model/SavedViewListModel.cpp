#include "AnatomyUI/Model/SavedViewListModel.h"

namespace morvena {

SavedViewListModel::SavedViewListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void SavedViewListModel::setViews(const std::vector<AnatomyDB::SavedView>& views)
{
    if (views == views_)
        return;
    beginResetModel();
    views_ = views;
    endResetModel();
}

const AnatomyDB::SavedView* SavedViewListModel::view(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.row() < 0
        || static_cast<std::size_t>(index.row()) >= views_.size())
        return nullptr;
    return &views_[static_cast<std::size_t>(index.row())];
}

int SavedViewListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(views_.size());
}

QVariant SavedViewListModel::data(const QModelIndex& index, int role) const
{
    const auto* found = view(index);
    if (!found)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(found->name);
    if (role == Qt::ToolTipRole) // the name whole, which the row may have cut
        return toolTip(QString::fromStdString(found->name));
    if (role == viewIDRole)
        return QVariant::fromValue<qlonglong>(found->id);
    return {};
}

} // namespace morvena
