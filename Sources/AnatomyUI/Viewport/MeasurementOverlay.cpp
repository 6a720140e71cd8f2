#include "AnatomyUI/Viewport/MeasurementOverlay.h"

#include <QPainter>

namespace morvena {

namespace {

const QColor orange(255, 149, 0);

QPen measuringPen(const QColor& color, qreal width, bool dashed)
{
    QPen pen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    if (dashed) {
        // The pattern is in pen widths.
        pen.setDashPattern({5 / width, 4 / width});
        pen.setDashOffset(0);
    }
    return pen;
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(opacity);
    return color;
}

void drawMarker(QPainter& painter, QPointF centre)
{
    const QRectF square(centre.x() - 4.5, centre.y() - 4.5, 9, 9);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(measuringPen(withOpacity(Qt::black, 0.5), 3, false));
    painter.drawEllipse(square.adjusted(-2, -2, 2, 2));
    painter.setPen(Qt::NoPen);
    painter.setBrush(orange);
    painter.drawEllipse(square);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(measuringPen(withOpacity(Qt::white, 0.95), 1.2, false));
    painter.drawEllipse(square.adjusted(-1.5, -1.5, 1.5, 1.5));
}

} // namespace

MeasurementOverlay::MeasurementOverlay(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void MeasurementOverlay::setPoints(std::vector<float2> points)
{
    const bool same = points.size() == points_.size()
        && std::equal(points.begin(), points.end(), points_.begin(),
            [](float2 a, float2 b) { return a.x == b.x && a.y == b.y; });
    if (same)
        return;
    points_ = std::move(points);
    update();
}

void MeasurementOverlay::paintEvent(QPaintEvent*)
{
    if (points_.empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (points_.size() == 2) {
        const QLineF line(points_[0].x, points_[0].y, points_[1].x, points_[1].y);
        painter.setPen(measuringPen(withOpacity(Qt::black, 0.45), 3, true));
        painter.drawLine(line);
        painter.setPen(measuringPen(orange, 1.5, true));
        painter.drawLine(line);
    }
    for (float2 point : points_)
        drawMarker(painter, QPointF(point.x, point.y));
}

} // namespace morvena
