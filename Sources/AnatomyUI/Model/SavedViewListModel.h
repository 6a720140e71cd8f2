#pragma once

#include "AnatomyCore/Database/AnatomyDB.h"

#include <QAbstractListModel>

#include <functional>
#include <vector>

namespace morvena {

// The saved views of the loaded dataset, in the database's order, shown by name.
class SavedViewListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { viewIDRole = Qt::UserRole + 1 };

    explicit SavedViewListModel(QObject* parent = nullptr);

    // Replaces the rows; equal views leave the model untouched.
    void setViews(const std::vector<AnatomyDB::SavedView>& views);
    const AnatomyDB::SavedView* view(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // How the views turn a whole text into the tooltip they show; until it is set, the
    // tooltip is the text itself.
    void setToolTipStyle(std::function<QString(const QString&)> style) { toolTipStyle_ = std::move(style); }

private:
    QString toolTip(const QString& text) const { return toolTipStyle_ ? toolTipStyle_(text) : text; }

    std::vector<AnatomyDB::SavedView> views_;
    std::function<QString(const QString&)> toolTipStyle_;
};

} // namespace morvena
