#include "AnatomyUI/Look/ElidedLabel.h"

#include "AnatomyUI/Look/DisplayText.h"

#include <QEvent>
#include <QFontMetrics>

#include <algorithm>

namespace morvena {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // As wide as the whole text, narrower as the row needs. It may take more room
    // than its text, drawn from the leading edge: a layout centres a widget that
    // cannot grow in a wider cell, which would set short names adrift in their rows.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFullText(text);
}

void ElidedLabel::setFullText(const QString& text)
{
    fullText_ = text;
    setToolTip(DisplayText::toolTip(text));
    elide();
    updateGeometry();
}

QSize ElidedLabel::minimumSizeHint() const
{
    // Room for a few letters and the ellipsis, or for the whole text when it is shorter.
    const int shortest
        = std::min(fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3, sizeHint().width());
    return {shortest, QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(fullText_) + 1, QLabel::sizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void ElidedLabel::elide()
{
    setText(fontMetrics().elidedText(fullText_, Qt::ElideRight, std::max(width(), 1)));
}

} // namespace morvena
