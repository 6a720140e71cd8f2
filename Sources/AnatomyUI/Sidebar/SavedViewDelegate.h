#pragma once

#include <QStyledItemDelegate>

namespace morvena {

// Paints a saved view: the viewfinder mark, the name, and the trash button at the end.
class SavedViewDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit SavedViewDelegate(QObject* parent = nullptr);

    // Where the trash button lies in a row's rectangle.
    static QRect trashRect(const QRect& rowRect);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace morvena
