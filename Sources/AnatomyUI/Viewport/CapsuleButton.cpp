#include "AnatomyUI/Viewport/CapsuleButton.h"

#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/IconRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace morvena {

namespace {

constexpr qreal symbolSize = 12;

} // namespace

CapsuleButton::CapsuleButton(QSize size, QWidget* parent)
    : QToolButton(parent)
{
    setFixedSize(size);
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setCursor(Qt::ArrowCursor);
}

void CapsuleButton::setSymbol(std::string_view symbol)
{
    if (symbol_ == symbol)
        return;
    symbol_ = symbol;
    update();
}

void CapsuleButton::setInactiveOpacity(qreal opacity)
{
    inactiveOpacity_ = opacity;
    update();
}

void CapsuleButton::setActive(bool active)
{
    if (active_ == active)
        return;
    active_ = active;
    update();
}

void CapsuleButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath capsule;
    const qreal radius = std::min(bounds.width(), bounds.height()) / 2;
    capsule.addRoundedRect(bounds, radius, radius);
    QColor fill = active_ ? palette().color(QPalette::Highlight) : palette().color(QPalette::Window);
    if (!active_)
        fill.setAlphaF(GlassPanel::fillOpacity(GlassStyle::control));
    if (isDown() || (underMouse() && isEnabled()))
        fill = fill.lighter(isDown() ? 90 : 108);
    painter.fillPath(capsule, fill);
    painter.setPen(QPen(QColor(127, 127, 127, 40), 0.5));
    painter.drawPath(capsule);

    QColor foreground = active_ ? QColor(Qt::white) : palette().color(QPalette::WindowText);
    if (!active_)
        foreground.setAlphaF(inactiveOpacity_);
    if (!symbol_.empty()) {
        const QRectF symbolRect(
            (width() - symbolSize) / 2, (height() - symbolSize) / 2, symbolSize, symbolSize);
        IconRegistry::shared().paint(painter, symbolRect, symbol_, foreground);
        return;
    }
    painter.setPen(foreground);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace morvena
