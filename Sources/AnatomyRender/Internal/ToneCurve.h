#pragma once

namespace morvena {

// The composite's tone curve T(x) = x·(1 + x/6.76)/(1 + x), an extended Reinhard curve
// whose white point is 2.6. The shader's composite applies the same curve.
namespace ToneCurve {

float apply(float x);
// The v ≥ 0 with T(exposure·v) = y, within 0.0005: what a colour must be in the scene
// so that it appears as y on screen.
float inverse(float y, float exposure);

} // namespace ToneCurve

} // namespace morvena
