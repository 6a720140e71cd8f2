#include "AnatomyUI/Sidebar/SearchHitDelegate.h"

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Model/SearchHitListModel.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"

#include <QPainter>

namespace morvena {

namespace {

constexpr int horizontalPadding = 12;
constexpr int spacing = 7;
constexpr qreal resultDot = 7;
constexpr int bookmarkSymbol = 9;

QFont nameFont()
{
    return Theme::font(Theme::TextStyle::callout);
}

QFont englishFont()
{
    return Theme::font(Theme::TextStyle::caption2);
}

} // namespace

SearchHitDelegate::SearchHitDelegate(Kind kind, QObject* parent)
    : QStyledItemDelegate(parent)
    , kind_(kind)
{
}

QSize SearchHitDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const int nameHeight = QFontMetrics(nameFont()).height();
    if (kind_ == Kind::bookmark)
        return {0, nameHeight + 2 * 3};
    const bool twoLines = index.data(SearchHitListModel::englishNameRole).isValid();
    const int height = nameHeight + (twoLines ? 1 + QFontMetrics(englishFont()).height() : 0);
    return {0, height + 2 * 4};
}

void SearchHitDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QPalette& palette = option.palette;
    painter->save();
    if (option.state & QStyle::State_MouseOver)
        painter->fillRect(option.rect, Theme::foreground(palette, Theme::Foreground::quaternary));
    QRect rect = option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const qreal middle = rect.center().y() + 0.5;
    int textLeft = rect.left();
    if (kind_ == Kind::result) {
        const auto system = static_cast<AnatomySystem>(index.data(SearchHitListModel::systemRole).toInt());
        SidebarLook::paintDot(*painter, QRectF(rect.left(), middle - resultDot / 2, resultDot, resultDot),
            Theme::color(system));
        textLeft += static_cast<int>(resultDot) + spacing;
    } else {
        IconRegistry::shared().paint(*painter,
            QRectF(rect.left(), middle - bookmarkSymbol / 2.0, bookmarkSymbol, bookmarkSymbol),
            "bookmark.fill", palette.color(QPalette::Highlight));
        textLeft += bookmarkSymbol + spacing;
    }
    const QRect textRect(textLeft, rect.top(), std::max(0, rect.right() - textLeft + 1), rect.height());
    const QString english = index.data(SearchHitListModel::englishNameRole).toString();
    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics englishMetrics(englishFont());
    const bool twoLines = kind_ == Kind::result && !english.isEmpty();
    const int blockHeight = nameMetrics.height() + (twoLines ? 1 + englishMetrics.height() : 0);
    int top = textRect.top() + (textRect.height() - blockHeight) / 2;
    painter->setFont(nameFont());
    painter->setPen(Theme::foreground(palette, Theme::Foreground::primary));
    painter->drawText(QRect(textRect.left(), top, textRect.width(), nameMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(index.data().toString(), Qt::ElideRight, textRect.width()));
    if (twoLines) {
        top += nameMetrics.height() + 1;
        painter->setFont(englishFont());
        painter->setPen(Theme::foreground(palette, Theme::Foreground::tertiary));
        painter->drawText(QRect(textRect.left(), top, textRect.width(), englishMetrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter,
            englishMetrics.elidedText(english, Qt::ElideRight, textRect.width()));
    }
    painter->restore();
}

} // namespace morvena
