#pragma once

#include <QStyledItemDelegate>

namespace morvena {

// Paints a search hit (the system's dot, the name and, under an Italian name, the
// English one) or a bookmark (the bookmark mark and the name), whole-row clickable.
class SearchHitDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    enum class Kind { result, bookmark };

    explicit SearchHitDelegate(Kind kind, QObject* parent = nullptr);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Kind kind_;
};

} // namespace morvena
