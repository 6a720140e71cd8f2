#pragma once

namespace morvena {

// The largest image, in pixels, that the current OpenGL context can draw into.
struct DrawableLimits {
    int largestWidth = 0;
    int largestHeight = 0;

    // Needs a current context (an OffscreenGLContext, or the viewer's own).
    static DrawableLimits current();
};

} // namespace morvena
