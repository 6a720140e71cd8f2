#include "AnatomyUI/Model/SearchHitListModel.h"

namespace morvena {

SearchHitListModel::SearchHitListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void SearchHitListModel::setHits(const std::vector<AnatomyDB::SearchHit>& hits)
{
    if (hits == hits_)
        return;
    beginResetModel();
    hits_ = hits;
    endResetModel();
}

const AnatomyDB::SearchHit* SearchHitListModel::hit(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.row() < 0
        || static_cast<std::size_t>(index.row()) >= hits_.size())
        return nullptr;
    return &hits_[static_cast<std::size_t>(index.row())];
}

int SearchHitListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(hits_.size());
}

QVariant SearchHitListModel::data(const QModelIndex& index, int role) const
{
    const auto* found = hit(index);
    if (!found)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(found->nameIT ? *found->nameIT : found->nameEN);
    case Qt::ToolTipRole: // the names whole, which the row may have cut
        return toolTip(
            QString::fromStdString(found->nameIT ? *found->nameIT + " — " + found->nameEN : found->nameEN));
    case englishNameRole:
        return found->nameIT ? QVariant(QString::fromStdString(found->nameEN)) : QVariant();
    case conceptIDRole:
        return QString::fromStdString(found->conceptID);
    case systemRole:
        return static_cast<int>(found->system);
    default:
        return {};
    }
}

} // namespace morvena
