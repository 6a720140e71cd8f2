#pragma once

#include <string>

namespace morvena {

// The shortest decimal text that reads back as the same float, never in exponent
// form and always with a digit after the point: 1000000.0, 0.000015, -0.5.
// Infinities and NaN keep their usual names.
std::string decimalText(float value);

} // namespace morvena
