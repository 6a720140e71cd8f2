#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

#include <optional>

class QPainter;
class QRectF;

namespace morvena {

// The product's mark and accent colour.
namespace Brand {

QColor accent();
// The resource AppIcon.png of the views' resources, read once; none when it is
// missing or unreadable (the drawn mark stands in).
const std::optional<QImage>& icon();

// The mark in a square of side `size` pixels at the device pixel ratio: the icon
// clipped to a rounded square, or without one, the accent gradient under the
// standing figure in white.
QPixmap mark(int size, bool shadow, qreal devicePixelRatio = 1);
// The mark painted into `square`, with the icon given instead of icon().
void paintMark(QPainter& painter, const QRectF& square, bool shadow, const std::optional<QImage>& icon);

} // namespace Brand

} // namespace morvena
