#include "AnatomyUI/Sidebar/SavedViewDelegate.h"

#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/Theme.h"

#include <QPainter>

namespace morvena {

namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 2;
constexpr int spacing = 6;
constexpr int labelSpacing = 7;
constexpr int viewSymbol = 10;
constexpr int trashSymbol = 9;
constexpr int trashBox = 16;

QFont nameFont()
{
    return Theme::font(Theme::TextStyle::callout);
}

} // namespace

SavedViewDelegate::SavedViewDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QRect SavedViewDelegate::trashRect(const QRect& rowRect)
{
    const int right = rowRect.right() - horizontalPadding;
    return {right - trashBox + 1, rowRect.center().y() - trashBox / 2, trashBox, trashBox};
}

QSize SavedViewDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {0, std::max(QFontMetrics(nameFont()).height(), trashBox) + 2 * verticalPadding};
}

void SavedViewDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QPalette& palette = option.palette;
    painter->save();
    if (option.state & QStyle::State_MouseOver)
        painter->fillRect(option.rect, Theme::foreground(palette, Theme::Foreground::quaternary));
    const QRect trash = trashRect(option.rect);
    const int left = option.rect.left() + horizontalPadding;
    const qreal middle = option.rect.center().y() + 0.5;
    auto& icons = IconRegistry::shared();
    icons.paint(*painter, QRectF(left, middle - viewSymbol / 2.0, viewSymbol, viewSymbol),
        "camera.viewfinder", Theme::foreground(palette, Theme::Foreground::secondary));
    const int textLeft = left + viewSymbol + labelSpacing;
    const QRect textRect(
        textLeft, option.rect.top(), std::max(0, trash.left() - spacing - textLeft), option.rect.height());
    const QFontMetrics metrics(nameFont());
    painter->setFont(nameFont());
    painter->setPen(Theme::foreground(palette, Theme::Foreground::primary));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(index.data().toString(), Qt::ElideRight, textRect.width()));
    const QPointF centre = QRectF(trash).center();
    icons.paint(*painter,
        QRectF(centre.x() - trashSymbol / 2.0, centre.y() - trashSymbol / 2.0, trashSymbol, trashSymbol),
        "trash", Theme::foreground(palette, Theme::Foreground::tertiary));
    painter->restore();
}

} // namespace morvena
