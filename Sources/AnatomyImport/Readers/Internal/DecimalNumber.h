#pragma once

#include <cmath>

namespace morvena::DecimalNumber {

// Reads a decimal number at `cursor` without locale or library help:
// [+|-] digits [. digits] [(e|E) [+|-] digits], at least one mantissa digit on
// either side of the point; an exponent marker without digits counts as 10^0.
// Digits accumulate in double precision (integer digits as v * 10 + d, fraction
// digits as v + d * f with f = 0.1, 0.01, ...), then the power of ten is applied.
// Overlong input saturates to infinity or zero instead of overflowing.
// Returns false, leaving `cursor` where it was, when there is no mantissa digit.
inline bool read(const char*& cursor, const char* end, double& value)
{
    const char* p = cursor;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    bool anyDigit = false;
    double v = 0;
    for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p, anyDigit = true)
        v = v * 10 + (*p - '0');
    if (p < end && *p == '.') {
        ++p;
        double f = 0.1;
        for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p, anyDigit = true) {
            v += (*p - '0') * f;
            f *= 0.1;
        }
    }
    if (!anyDigit)
        return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-'))
            negativeExponent = *p++ == '-';
        int exponent = 0;
        for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p) {
            if (exponent < 100000) // far past where any double saturates
                exponent = exponent * 10 + (*p - '0');
        }
        if (exponent != 0 && v != 0) // 0 * 10^400 would be NaN
            v *= std::pow(10.0, negativeExponent ? -exponent : exponent);
    }
    value = negative ? -v : v;
    cursor = p;
    return true;
}

} // namespace morvena::DecimalNumber
