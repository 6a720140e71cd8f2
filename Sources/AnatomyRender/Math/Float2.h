#pragma once

namespace morvena {

// A point or size in the drawable's pixels (origin top left, y downwards).
struct float2 {
    float x = 0;
    float y = 0;

    bool operator==(const float2&) const = default;
};

} // namespace morvena
