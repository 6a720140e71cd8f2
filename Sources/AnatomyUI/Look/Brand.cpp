#include "AnatomyUI/Look/Brand.h"

#include "AnatomyCore/Storage/ResourceLocator.h"
#include "AnatomyUI/Look/IconRegistry.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace morvena::Brand {

namespace {

QPainterPath roundedSquare(const QRectF& square, qreal radiusRatio)
{
    QPainterPath path;
    const qreal radius = square.width() * radiusRatio;
    path.addRoundedRect(square, radius, radius);
    return path;
}

// A soft shadow below the rounded square, built from a few widening layers.
void paintShadow(QPainter& painter, const QPainterPath& shape, qreal size)
{
    constexpr int layers = 6;
    const qreal radius = size * 0.06;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.translate(0, size * 0.025);
    for (int layer = layers; layer >= 1; --layer) {
        const qreal grow = radius * layer / layers;
        QPainterPathStroker stroker;
        stroker.setWidth(grow * 2);
        painter.setBrush(QColor(0, 0, 0, static_cast<int>(0.22 * 255 / layers)));
        painter.drawPath(stroker.createStroke(shape).united(shape));
    }
    painter.restore();
}

void paintIcon(QPainter& painter, const QRectF& square, bool shadow, const QImage& image)
{
    const auto shape = roundedSquare(square, 0.2237);
    if (shadow)
        paintShadow(painter, shape, square.width());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipPath(shape);
    painter.drawImage(square, image);
    painter.restore();
}

void paintDrawn(QPainter& painter, const QRectF& square)
{
    QLinearGradient gradient(square.topLeft(), square.bottomLeft());
    gradient.setColorAt(0, accent().lighter(118));
    gradient.setColorAt(1, accent().darker(112));
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawPath(roundedSquare(square, 0.22));
    const qreal figure = square.width() * 0.45;
    const QRectF figureRect(
        square.center().x() - figure / 2, square.center().y() - figure / 2, figure, figure);
    IconRegistry::shared().paint(painter, figureRect, "figure.stand", Qt::white);
    painter.restore();
}

} // namespace

QColor accent()
{
    static const QColor color = QColor::fromRgbF(0.186f, 0.492f, 0.825f, 1);
    return color;
}

const std::optional<QImage>& icon()
{
    static const std::optional<QImage> image = []() -> std::optional<QImage> {
        QImage loaded(QString::fromStdString(ResourceLocator::resource("AnatomyUI", "AppIcon.png").string()));
        if (loaded.isNull())
            return std::nullopt;
        return loaded;
    }();
    return image;
}

QPixmap mark(int size, bool shadow, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintMark(painter, QRectF(0, 0, size, size), shadow, icon());
    return pixmap;
}

void paintMark(QPainter& painter, const QRectF& square, bool shadow, const std::optional<QImage>& icon)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // The drawn form has no shadow.
    if (icon)
        paintIcon(painter, square, shadow, *icon);
    else
        paintDrawn(painter, square);
    painter.restore();
}

} // namespace morvena::Brand
