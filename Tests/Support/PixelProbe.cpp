#include "PixelProbe.h"

#include <cstdlib>

namespace morvena::test {

namespace {

bool within(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

PixelProbe::PixelProbe(QImage image)
    : image_(std::move(image))
{
}

double PixelProbe::luminance(QRect area) const
{
    area &= image_.rect();
    if (area.isEmpty())
        return 0;
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor colour = image_.pixelColor(x, y);
            sum += 0.2126 * colour.redF() + 0.7152 * colour.greenF() + 0.0722 * colour.blueF();
        }
    return sum / (static_cast<double>(area.width()) * area.height());
}

int PixelProbe::near(QRect area, QColor colour, int tolerance) const
{
    area &= image_.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += within(image_.pixelColor(x, y), colour, tolerance);
    return count;
}

double PixelProbe::differingFraction(const QImage& other, QRect area, int tolerance) const
{
    if (other.size() != image_.size())
        return 1;
    area &= image_.rect();
    if (area.isEmpty())
        return 0;
    int differing = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            differing += !within(image_.pixelColor(x, y), other.pixelColor(x, y), tolerance);
    return differing / (static_cast<double>(area.width()) * area.height());
}

double PixelProbe::coveredFraction(QRect area, int backdropColumn, int tolerance) const
{
    area &= image_.rect();
    if (area.isEmpty() || backdropColumn < 0 || backdropColumn >= image_.width())
        return 0;
    int covered = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QColor backdrop = image_.pixelColor(backdropColumn, y);
        for (int x = area.left(); x <= area.right(); ++x)
            covered += !within(image_.pixelColor(x, y), backdrop, tolerance);
    }
    return covered / (static_cast<double>(area.width()) * area.height());
}

} // namespace morvena::test
