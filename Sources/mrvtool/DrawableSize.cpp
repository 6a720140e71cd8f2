#include "mrvtool/DrawableSize.h"

#include "AnatomyRender/DrawableLimits.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Refusal.h"

#include <string>

namespace morvena::tool::DrawableSize {

namespace {

constexpr long long smallest = 2;

std::string sizeText(long long width, long long height)
{
    return std::to_string(width) + "×" + std::to_string(height);
}

} // namespace

void refuseOversized(long long width, long long height)
{
    auto limits = DrawableLimits::current();
    long long largestWidth = limits.largestWidth;
    long long largestHeight = limits.largestHeight;
    if (width > largestWidth || height > largestHeight)
        refuse("Dimensioni " + sizeText(width, height)
            + " oltre il limite di OpenGL su questo computer (al massimo "
            + sizeText(largestWidth, largestHeight) + " pixel).");
}

void refuseUnusable(long long width, long long height)
{
    if (width < smallest || height < smallest)
        refuse("Dimensioni " + sizeText(width, height) + " non valide: servono almeno "
            + sizeText(smallest, smallest) + " pixel.");
    refuseOversized(width, height);
}

} // namespace morvena::tool::DrawableSize
