#include "AnatomyUI/Viewport/OverlayLayout.h"

#include <QWidget>

#include <algorithm>

namespace morvena {

OverlayLayout::OverlayLayout(QWidget* parent)
    : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
}

OverlayLayout::~OverlayLayout() = default;

void OverlayLayout::addWidget(QWidget* widget, Place place)
{
    addChildWidget(widget);
    entries_.push_back({std::make_unique<QWidgetItem>(widget), place});
    invalidate();
}

void OverlayLayout::addItem(QLayoutItem* item)
{
    entries_.push_back({std::unique_ptr<QLayoutItem>(item), Place::free});
}

QLayoutItem* OverlayLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)].item.get() : nullptr;
}

QLayoutItem* OverlayLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    auto taken = std::move(entries_[static_cast<std::size_t>(index)].item);
    entries_.erase(entries_.begin() + index);
    return taken.release();
}

int OverlayLayout::count() const
{
    return static_cast<int>(entries_.size());
}

QSize OverlayLayout::sizeHint() const
{
    return {800, 600};
}

QSize OverlayLayout::minimumSize() const
{
    return {2 * inset, 2 * inset};
}

QLayoutItem* OverlayLayout::shown(Place place) const
{
    for (const auto& entry : entries_)
        if (entry.place == place && !entry.item->isEmpty())
            return entry.item.get();
    return nullptr;
}

void OverlayLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    for (const auto& entry : entries_)
        if (entry.place == Place::fill)
            entry.item->setGeometry(rect);
    const QRect inner = rect.adjusted(inset, inset, -inset, -inset);
    if (auto* item = shown(Place::topLeading))
        item->setGeometry(QRect(inner.topLeft(), item->sizeHint()));
    if (auto* item = shown(Place::topTrailing)) {
        const QSize size = item->sizeHint();
        item->setGeometry(QRect(QPoint(inner.right() - size.width() + 1, inner.top()), size));
    }
    if (auto* item = shown(Place::leadingCentre)) {
        const QSize size = item->sizeHint();
        item->setGeometry(QRect(QPoint(inner.left(), rect.center().y() - size.height() / 2), size));
    }
    placeBottomRow(inner);
}

void OverlayLayout::placeBottomRow(const QRect& inner)
{
    auto* tools = shown(Place::bottomTrailing);
    // The strip never goes below its minimum, which keeps its menus in reach: only then
    // do the chips give up width.
    const int toolsMinimum = tools ? std::min(tools->minimumSize().width(), inner.width()) : 0;
    int chipsWidth = 0;
    if (auto* chips = shown(Place::bottomLeading)) {
        const QSize size = chips->sizeHint();
        chipsWidth = std::max(0, std::min(size.width(), inner.width() - (tools ? toolsMinimum + gap : 0)));
        chips->setGeometry(
            QRect(inner.left(), inner.bottom() - size.height() + 1, chipsWidth, size.height()));
    }
    if (!tools)
        return;
    const QSize size = tools->sizeHint();
    const int room = inner.width() - (chipsWidth > 0 ? chipsWidth + gap : 0);
    const int width = std::max(toolsMinimum, std::min({size.width(), toolStripMaximumWidth, room}));
    tools->setGeometry(
        QRect(inner.right() - width + 1, inner.bottom() - size.height() + 1, width, size.height()));
}

} // namespace morvena
