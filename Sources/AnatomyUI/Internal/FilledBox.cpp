#include "AnatomyUI/Internal/FilledBox.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace morvena {

FilledBox::FilledBox(Color fill, qreal cornerRadius, QWidget* parent)
    : QWidget(parent)
    , fill_(std::move(fill))
    , cornerRadius_(cornerRadius)
{
}

void FilledBox::setOutline(Color outline, qreal width)
{
    outline_ = std::move(outline);
    outlineWidth_ = width;
    update();
}

void FilledBox::setLeadingBar(Color fill, qreal width, qreal verticalInset, qreal leadingInset)
{
    bar_ = Bar {std::move(fill), width, verticalInset, leadingInset};
    update();
}

FilledBox::Color FilledBox::tinted(QColor color, qreal opacity)
{
    color.setAlphaF(static_cast<float>(opacity));
    return [color](const QPalette&) { return color; };
}

FilledBox::Color FilledBox::textTinted(qreal opacity)
{
    return [opacity](const QPalette& palette) {
        QColor color = palette.color(QPalette::Text);
        color.setAlphaF(static_cast<float>(opacity));
        return color;
    };
}

void FilledBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(
        outlineWidth_ / 2, outlineWidth_ / 2, -outlineWidth_ / 2, -outlineWidth_ / 2);
    const qreal radius = capsule_ ? std::min(box.width(), box.height()) / 2 : cornerRadius_;
    QPainterPath shape;
    shape.addRoundedRect(box, radius, radius);
    painter.fillPath(shape, fill_(palette()));
    if (bar_) {
        painter.save();
        painter.setClipPath(shape);
        const QRectF bar(bar_->leadingInset, bar_->verticalInset, bar_->width,
            std::max(0.0, height() - 2 * bar_->verticalInset));
        QPainterPath barShape;
        barShape.addRoundedRect(bar, 1, 1);
        painter.fillPath(barShape, bar_->fill(palette()));
        painter.restore();
    }
    if (outline_) {
        painter.setPen(QPen(outline_(palette()), outlineWidth_));
        painter.drawPath(shape);
    }
}

} // namespace morvena
