#include "AnatomyRender/GL/RenderTargets.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace morvena {

namespace {

gl::Texture texture2D(GLenum format, int width, int height, GLenum filter, std::string_view label)
{
    auto texture = gl::createTexture(GL_TEXTURE_2D);
    glTextureStorage2D(texture.get(), 1, format, width, height);
    glTextureParameteri(texture.get(), GL_TEXTURE_MIN_FILTER, filter);
    glTextureParameteri(texture.get(), GL_TEXTURE_MAG_FILTER, filter);
    glTextureParameteri(texture.get(), GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(texture.get(), GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl::label(GL_TEXTURE, texture.get(), label);
    return texture;
}

gl::Texture texture2DMultisample(GLenum format, int width, int height, int samples, std::string_view label)
{
    auto texture = gl::createTexture(GL_TEXTURE_2D_MULTISAMPLE);
    glTextureStorage2DMultisample(texture.get(), samples, format, width, height, GL_TRUE);
    gl::label(GL_TEXTURE, texture.get(), label);
    return texture;
}

gl::Framebuffer makeFramebuffer(GLuint color, GLuint depth, std::string_view label)
{
    auto result = gl::createFramebuffer();
    if (color != 0) {
        glNamedFramebufferTexture(result.get(), GL_COLOR_ATTACHMENT0, color, 0);
        glNamedFramebufferDrawBuffer(result.get(), GL_COLOR_ATTACHMENT0);
    } else {
        glNamedFramebufferDrawBuffer(result.get(), GL_NONE);
        glNamedFramebufferReadBuffer(result.get(), GL_NONE);
    }
    if (depth != 0)
        glNamedFramebufferTexture(result.get(), GL_DEPTH_ATTACHMENT, depth, 0);
    gl::label(GL_FRAMEBUFFER, result.get(), label);
    return result;
}

bool complete(std::initializer_list<GLuint> framebuffers)
{
    return std::all_of(framebuffers.begin(), framebuffers.end(), [](GLuint name) {
        return glCheckNamedFramebufferStatus(name, GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    });
}

} // namespace

std::optional<RenderTargets> RenderTargets::create(
    const gl::Limits& limits, int width, int height, int samples, int occlusionDivisor)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (!limits.fits(width, height))
        return std::nullopt;
    gl::clearErrors();
    RenderTargets targets;
    targets.width = width;
    targets.height = height;
    targets.samples = std::max(samples, 1);
    int divisor = std::max(occlusionDivisor, 1);
    targets.occlusionWidth = std::max(width / divisor, 1);
    targets.occlusionHeight = std::max(height / divisor, 1);

    targets.sceneColor = texture2D(GL_RGBA16F, width, height, GL_NEAREST, "Scena HDR");
    targets.depth = texture2D(GL_DEPTH_COMPONENT32F, width, height, GL_NEAREST, "Profondità");
    targets.ao = texture2D(
        GL_R16F, targets.occlusionWidth, targets.occlusionHeight, GL_LINEAR, "Occlusione ambientale");
    targets.aoBlur = texture2D(
        GL_R16F, targets.occlusionWidth, targets.occlusionHeight, GL_LINEAR, "Sfocatura occlusione");
    targets.resolvedFramebuffer = makeFramebuffer(targets.sceneColor.get(), 0, "Scena risolta");
    targets.depthFramebuffer = makeFramebuffer(0, targets.depth.get(), "Profondità risolta");
    targets.aoFramebuffer = makeFramebuffer(targets.ao.get(), 0, "Occlusione ambientale");
    targets.aoBlurFramebuffer = makeFramebuffer(targets.aoBlur.get(), 0, "Sfocatura occlusione");
    if (targets.isMultisampled()) {
        targets.sceneColorMSAA
            = texture2DMultisample(GL_RGBA16F, width, height, targets.samples, "Scena HDR multicampione");
        targets.depthMSAA = texture2DMultisample(
            GL_DEPTH_COMPONENT32F, width, height, targets.samples, "Profondità multicampione");
        targets.sceneFramebuffer
            = makeFramebuffer(targets.sceneColorMSAA.get(), targets.depthMSAA.get(), "Scena anatomica");
    } else {
        targets.sceneFramebuffer
            = makeFramebuffer(targets.sceneColor.get(), targets.depth.get(), "Scena anatomica");
    }
    if (gl::allocationFailed()
        || !complete({targets.sceneFramebuffer.get(), targets.resolvedFramebuffer.get(),
            targets.depthFramebuffer.get(), targets.aoFramebuffer.get(), targets.aoBlurFramebuffer.get()}))
        return std::nullopt;
    return targets;
}

void RenderTargets::forgetFramebuffers()
{
    for (auto* framebuffer :
        {&sceneFramebuffer, &resolvedFramebuffer, &depthFramebuffer, &aoFramebuffer, &aoBlurFramebuffer})
        framebuffer->forget();
}

std::optional<ColorTarget> ColorTarget::create(const gl::Limits& limits, int width, int height,
    GLenum colorFormat, bool withDepth, std::string_view label)
{
    if (!limits.fits(width, height))
        return std::nullopt;
    gl::clearErrors();
    ColorTarget target;
    target.width = width;
    target.height = height;
    target.color = texture2D(colorFormat, width, height, GL_NEAREST, label);
    if (withDepth)
        target.depth = texture2D(GL_DEPTH_COMPONENT32F, width, height, GL_NEAREST, "Profondità");
    target.framebuffer = makeFramebuffer(target.color.get(), target.depth.get(), label);
    if (gl::allocationFailed() || !complete({target.framebuffer.get()}))
        return std::nullopt;
    return target;
}

} // namespace morvena
