#include "AnatomyRender/Internal/ToneCurve.h"

#include <algorithm>
#include <cmath>

namespace morvena::ToneCurve {

namespace {

constexpr float whitePointSquared = 6.7599993f;
constexpr int maximumSteps = 24;
constexpr float tolerance = 0.0005f;

} // namespace

float apply(float x)
{
    return x * (1 + x / whitePointSquared) / (1 + x);
}

float inverse(float y, float exposure)
{
    // Newton's method with a forward-difference slope; the curve is monotonic on v ≥ 0.
    float v = y;
    for (int step = 0; step < maximumSteps; ++step) {
        float t = apply(exposure * v);
        float error = t - y;
        if (std::fabs(error) < tolerance)
            break;
        float h = std::max(0.01f * v, 0.0005f);
        float slope = (apply(exposure * (v + h)) - t) / h;
        if (std::fabs(slope) <= 0.00001f)
            break;
        v -= error / slope;
        if (!(v > 0)) // also catches NaN
            v = 0;
    }
    return v;
}

} // namespace morvena::ToneCurve
