#pragma once

#include <epoxy/gl.h>

namespace morvena::gl {

// What the current context can allocate, read once per renderer.
struct Limits {
    int maxTextureSize = 0;
    int maxFramebufferWidth = 0;
    int maxFramebufferHeight = 0;
    // Multisample counts the scene formats all support, in descending order; 1 is implied.
    int sampleCounts[16] = {};
    int sampleCountCount = 0;

    static Limits query();
    // The largest 2D render target, in pixels: texture and framebuffer limits together.
    int largestWidth() const;
    int largestHeight() const;
    // Whether a 2D render target of this size can exist at all.
    bool fits(int width, int height) const;
    // The largest supported count not above `requested`; 1 when there is none.
    int clampSamples(int requested) const;
};

// Drops errors left by earlier calls so the next check sees only its own.
void clearErrors();
// True when an allocation since the last clearErrors() failed.
bool allocationFailed();

} // namespace morvena::gl
