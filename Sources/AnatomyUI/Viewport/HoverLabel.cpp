#include "AnatomyUI/Viewport/HoverLabel.h"

#include "AnatomyUI/Look/GlassPanel.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace morvena {

HoverLabel::HoverLabel(QWidget* parent)
    : QLabel(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextFormat(Qt::PlainText);
    setContentsMargins(10, 5, 10, 5);
    QFont labelFont = font();
    labelFont.setPixelSize(11);
    labelFont.setWeight(QFont::Medium);
    setFont(labelFont);
    hide();
}

QPointF HoverLabel::centre(QPointF point, qreal width)
{
    return {std::min(std::max(point.x(), 90.0), width - 90), std::max(point.y() - 26, 20.0)};
}

void HoverLabel::showAt(const QString& text, QPointF point, qreal containerWidth)
{
    if (text != this->text()) {
        setText(text);
        resize(sizeHint());
    }
    const QPointF middle = centre(point, containerWidth);
    move(qRound(middle.x() - width() / 2.0), qRound(middle.y() - height() / 2.0));
    if (isHidden()) {
        show();
        raise();
    }
}

void HoverLabel::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath capsule;
        capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
        QColor fill = palette().color(QPalette::Window);
        fill.setAlphaF(GlassPanel::fillOpacity(GlassStyle::floating));
        painter.fillPath(capsule, fill);
    }
    QLabel::paintEvent(event);
}

} // namespace morvena
