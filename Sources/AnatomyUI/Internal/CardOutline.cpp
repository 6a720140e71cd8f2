#include "AnatomyUI/Internal/CardOutline.h"

#include <QEvent>
#include <QPainter>

namespace morvena {

CardOutline::CardOutline(FilledBox::Color color, qreal cornerRadius, qreal width, QWidget* card)
    : QWidget(card)
    , color_(std::move(color))
    , cornerRadius_(cornerRadius)
    , width_(width)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    card->installEventFilter(this);
    setGeometry(card->rect());
    raise();
}

bool CardOutline::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded)) {
        setGeometry(parentWidget()->rect());
        raise();
    }
    return false;
}

void CardOutline::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color_(palette()), width_));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = width_ / 2;
    painter.drawRoundedRect(
        QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius_, cornerRadius_);
}

} // namespace morvena
