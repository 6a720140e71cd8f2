#pragma once

#include "AnatomyRender/GLHandles.h"
#include "AnatomyRender/GLLimits.h"

#include <optional>

namespace morvena {

// The offscreen targets of the frame passes, made for one size and sample count.
// With more than one sample the scene is drawn into the multisampled pair and
// resolved into the single-sample pair; with one sample it is drawn there directly.
struct RenderTargets {
    int width = 0;
    int height = 0;
    int samples = 1;
    int occlusionWidth = 0;
    int occlusionHeight = 0;

    gl::Texture sceneColorMSAA; // absent with one sample
    gl::Texture sceneColor; // "Scena HDR"
    gl::Texture depthMSAA; // absent with one sample
    gl::Texture depth; // "Profondità"
    gl::Texture ao; // "Occlusione ambientale"
    gl::Texture aoBlur;

    gl::Framebuffer sceneFramebuffer; // what background, opaque and transparent draw into
    gl::Framebuffer resolvedFramebuffer; // sceneColor alone, the colour resolve's destination
    gl::Framebuffer depthFramebuffer; // depth alone, the depth resolve's destination
    gl::Framebuffer aoFramebuffer;
    gl::Framebuffer aoBlurFramebuffer;

    // None when the size is beyond the GPU's limits or an allocation fails.
    static std::optional<RenderTargets> create(
        const gl::Limits& limits, int width, int height, int samples, int occlusionDivisor);

    bool isMultisampled() const { return samples > 1; }
};

// The unsigned-integer identifier target of picking, with its depth.
struct PickTarget {
    int width = 0;
    int height = 0;
    gl::Texture identifiers; // "Buffer identificativi"
    gl::Texture depth;
    gl::Framebuffer framebuffer;

    static std::optional<PickTarget> create(const gl::Limits& limits, int width, int height);
};

// A colour target that the composite writes and the caller reads back (images, benchmarks).
struct ImageTarget {
    int width = 0;
    int height = 0;
    gl::Texture color;
    gl::Framebuffer framebuffer;

    static std::optional<ImageTarget> create(const gl::Limits& limits, int width, int height);
};

} // namespace morvena
