#pragma once

#include "AnatomyRender/GL/GLHandles.h"
#include "AnatomyRender/GL/GLLimits.h"

#include <optional>
#include <string_view>

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
    // Lets go of the framebuffers, which belong to a context that is not current and go
    // with it; the textures are shared and are still deleted.
    void forgetFramebuffers();
};

// A single-sample colour target with an optional depth attachment: the identifier
// target of picking (R32UI with depth, "Buffer identificativi") and the image that an
// offscreen render is composited into (RGBA8).
struct ColorTarget {
    int width = 0;
    int height = 0;
    gl::Texture color;
    gl::Texture depth; // absent without depth
    gl::Framebuffer framebuffer;

    // None when the size is beyond the GPU's limits or an allocation fails.
    static std::optional<ColorTarget> create(const gl::Limits& limits, int width, int height,
        GLenum colorFormat, bool withDepth, std::string_view label);
    // As RenderTargets::forgetFramebuffers.
    void forgetFramebuffer() { framebuffer.forget(); }
};

} // namespace morvena
