#include "AnatomyUI/Look/GlassPanel.h"

#include <QPainter>
#include <QPainterPath>

namespace morvena {

GlassPanel::GlassPanel(GlassStyle style, Shape shape, bool interactive, QWidget* parent)
    : QWidget(parent)
    , style_(style)
    , shape_(shape)
    , interactive_(interactive)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

qreal GlassPanel::fillOpacity(GlassStyle style)
{
    switch (style) {
    case GlassStyle::floating:
        return 0.82;
    case GlassStyle::control:
        return 0.70;
    case GlassStyle::accent:
    case GlassStyle::subtle:
        return 0.55;
    }
    return 0.82;
}

void GlassPanel::paintEvent(QPaintEvent*)
{
    // Drawn the same whether interactive or not: the material has no pressed look.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    const qreal radius = shape_.capsule ? std::min(bounds.width(), bounds.height()) / 2 : shape_.cornerRadius;
    QPainterPath path;
    path.addRoundedRect(bounds, radius, radius);
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(fillOpacity(style_));
    painter.fillPath(path, fill);
    painter.setPen(QPen(QColor(255, 255, 255, static_cast<int>(0.08 * 255)), 0.5));
    painter.drawPath(path);
}

} // namespace morvena
