#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace morvena::test {

// Questions about the pixels of a captured image, asked instead of comparing with a
// stored image.
class PixelProbe {
public:
    explicit PixelProbe(QImage image);

    // The mean relative luminance of the area, 0 (black) to 1 (white).
    double luminance(QRect area) const;
    // How many pixels of the area lie within `tolerance` of the colour on every channel.
    int near(QRect area, QColor colour, int tolerance) const;
    // The fraction of the area's pixels that differ from `other`'s by more than the
    // tolerance on some channel; images of different sizes differ wholly.
    double differingFraction(const QImage& other, QRect area, int tolerance = 12) const;
    // The fraction of the area's pixels that differ from the pixel at `backdropColumn` of
    // their own row: how much of a backdrop that changes only from top to bottom is covered.
    double coveredFraction(QRect area, int backdropColumn, int tolerance = 12) const;

private:
    QImage image_;
};

} // namespace morvena::test
