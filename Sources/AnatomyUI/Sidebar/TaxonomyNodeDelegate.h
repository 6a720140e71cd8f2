#pragma once

#include <QStyledItemDelegate>

namespace morvena {

// Paints one node of the hierarchy: the chevron (hidden for a leaf), the system's
// dot, the name and the number of meshed descendants. The view indents each level
// by `indentation`; the delegate adds the row's own inset.
class TaxonomyNodeDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int indentation = 11;

    explicit TaxonomyNodeDelegate(QObject* parent = nullptr);

    // Where the chevron lies in an item's rectangle (already indented by the view).
    static QRect chevronRect(const QRect& itemRect);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace morvena
