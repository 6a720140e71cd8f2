#pragma once

#include "AnatomyCore/Database/AnatomyDB.h"

#include <QAbstractListModel>

#include <functional>
#include <vector>

namespace morvena {

// Search hits or bookmarks as a list: the shown name (Italian when there is one),
// the English name below it when the Italian one is shown, and the system's colour.
class SearchHitListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        // The English name, only for a hit shown by its Italian name.
        englishNameRole = Qt::UserRole + 1,
        conceptIDRole,
        // The system as its integer raw value.
        systemRole,
    };

    explicit SearchHitListModel(QObject* parent = nullptr);

    // Replaces the rows; equal hits leave the model untouched.
    void setHits(const std::vector<AnatomyDB::SearchHit>& hits);
    const std::vector<AnatomyDB::SearchHit>& hits() const { return hits_; }
    const AnatomyDB::SearchHit* hit(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // How the views turn a whole text into the tooltip they show; until it is set, the
    // tooltip is the text itself.
    void setToolTipStyle(std::function<QString(const QString&)> style) { toolTipStyle_ = std::move(style); }

private:
    QString toolTip(const QString& text) const { return toolTipStyle_ ? toolTipStyle_(text) : text; }

    std::vector<AnatomyDB::SearchHit> hits_;
    std::function<QString(const QString&)> toolTipStyle_;
};

} // namespace morvena
