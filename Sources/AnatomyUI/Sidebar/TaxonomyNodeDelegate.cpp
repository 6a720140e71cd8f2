#include "AnatomyUI/Sidebar/TaxonomyNodeDelegate.h"

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Model/TaxonomyTreeModel.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"

#include <QPainter>
#include <QTreeView>

namespace morvena {

namespace {

constexpr int leadingInset = 10;
constexpr int trailingInset = 10;
constexpr int chevronBox = 10;
constexpr int chevronSymbol = 8;
constexpr int rowSpacing = 5;
constexpr int labelSpacing = 6;
constexpr qreal dotSize = 6;
constexpr int verticalPadding = 2; // 1.5 rounded up to whole pixels

QFont nameFont()
{
    return SidebarLook::font(12);
}

QFont countFont()
{
    return SidebarLook::monoFont(9);
}

bool isExpanded(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (option.state & QStyle::State_Open)
        return true;
    auto* view = qobject_cast<const QTreeView*>(option.widget);
    return view && view->isExpanded(index);
}

// The count follows the name; a long name is cut to leave the count its room.
void paintNameAndCount(
    QPainter& painter, const QRect& area, const QString& name, const QString& count, const QPalette& palette)
{
    const int countWidth = count.isEmpty() ? 0 : QFontMetrics(countFont()).horizontalAdvance(count);
    const int nameRoom = std::max(0, area.width() - (countWidth > 0 ? countWidth + labelSpacing : 0));
    const QFontMetrics metrics(nameFont());
    const QString shown = metrics.elidedText(name, Qt::ElideRight, nameRoom);
    painter.setFont(nameFont());
    painter.setPen(Theme::foreground(palette, Theme::Foreground::primary));
    painter.drawText(
        QRect(area.left(), area.top(), nameRoom, area.height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
    if (countWidth == 0)
        return;
    const int countLeft = area.left() + std::min(metrics.horizontalAdvance(shown), nameRoom) + labelSpacing;
    painter.setFont(countFont());
    painter.setPen(Theme::foreground(palette, Theme::Foreground::quaternary));
    painter.drawText(
        QRect(countLeft, area.top(), countWidth, area.height()), Qt::AlignLeft | Qt::AlignVCenter, count);
}

} // namespace

TaxonomyNodeDelegate::TaxonomyNodeDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QRect TaxonomyNodeDelegate::chevronRect(const QRect& itemRect)
{
    return {itemRect.left() + leadingInset, itemRect.top(), chevronBox, itemRect.height()};
}

QSize TaxonomyNodeDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {0, QFontMetrics(nameFont()).height() + 2 * verticalPadding};
}

void TaxonomyNodeDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QPalette& palette = option.palette;
    painter->save();
    if (option.state & QStyle::State_MouseOver)
        painter->fillRect(option.rect, Theme::foreground(palette, Theme::Foreground::quaternary));
    const QRect chevron = chevronRect(option.rect);
    if (!index.data(TaxonomyTreeModel::leafRole).toBool()) {
        const QPointF centre = QRectF(chevron).center();
        painter->save();
        painter->translate(centre);
        if (isExpanded(option, index))
            painter->rotate(90);
        IconRegistry::shared().paint(*painter,
            QRectF(-chevronSymbol / 2.0, -chevronSymbol / 2.0, chevronSymbol, chevronSymbol), "chevron.right",
            Theme::foreground(palette, Theme::Foreground::tertiary));
        painter->restore();
    }
    int left = chevron.right() + 1 + rowSpacing;
    const qreal middle = option.rect.center().y() + 0.5;
    const auto system = static_cast<AnatomySystem>(index.data(TaxonomyTreeModel::systemRole).toInt());
    SidebarLook::paintDot(
        *painter, QRectF(left, middle - dotSize / 2, dotSize, dotSize), Theme::color(system));
    left += static_cast<int>(dotSize) + labelSpacing;
    const QVariant count = index.data(TaxonomyTreeModel::countRole);
    paintNameAndCount(*painter,
        QRect(left, option.rect.top(), option.rect.right() - trailingInset - left + 1, option.rect.height()),
        index.data().toString(), count.isValid() ? QString::number(count.toLongLong()) : QString(), palette);
    painter->restore();
}

} // namespace morvena
