#pragma once

#include "AnatomyRender/Math/Float2.h"

namespace morvena {

// The pixel size of an exported image.
struct ExportImageSize {
    int width = 0;
    int height = 0;

    bool operator==(const ExportImageSize&) const = default;

    // For a drawable of that many pixels exported at `scale`: each side truncated to
    // whole pixels and multiplied, then rounded down to an even number when above 3,
    // else 2. Where that exceeds `largest` (what the GPU can draw), both sides shrink
    // by one factor, so the image keeps its shape and stays even and at least 2.
    static ExportImageSize of(float2 drawableSize, int scale, ExportImageSize largest);
};

} // namespace morvena
