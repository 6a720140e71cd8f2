#include "AnatomyRender/GL/GLLimits.h"

#include <algorithm>
#include <array>
#include <set>

namespace morvena::gl {

namespace {

std::set<int> supportedSamples(GLenum format)
{
    GLint count = 0;
    glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, format, GL_NUM_SAMPLE_COUNTS, 1, &count);
    std::array<GLint, 16> samples {};
    count = std::clamp(count, 0, static_cast<GLint>(samples.size()));
    if (count > 0)
        glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, format, GL_SAMPLES, count, samples.data());
    return {samples.begin(), samples.begin() + count};
}

} // namespace

Limits Limits::query()
{
    Limits limits;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits.maxTextureSize);
    glGetIntegerv(GL_MAX_FRAMEBUFFER_WIDTH, &limits.maxFramebufferWidth);
    glGetIntegerv(GL_MAX_FRAMEBUFFER_HEIGHT, &limits.maxFramebufferHeight);
    GLint maxSamples = 1;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    auto colour = supportedSamples(GL_RGBA16F);
    auto depth = supportedSamples(GL_DEPTH_COMPONENT32F);
    for (auto it = colour.rbegin(); it != colour.rend(); ++it) {
        if (*it > 1 && *it <= maxSamples && depth.contains(*it) && limits.sampleCountCount < 16)
            limits.sampleCounts[limits.sampleCountCount++] = *it;
    }
    return limits;
}

int Limits::largestWidth() const
{
    return std::min(maxTextureSize, maxFramebufferWidth);
}

int Limits::largestHeight() const
{
    return std::min(maxTextureSize, maxFramebufferHeight);
}

bool Limits::fits(int width, int height) const
{
    return width >= 1 && height >= 1 && width <= largestWidth() && height <= largestHeight();
}

int Limits::clampSamples(int requested) const
{
    for (int i = 0; i < sampleCountCount; ++i) {
        if (sampleCounts[i] <= requested)
            return sampleCounts[i];
    }
    return 1;
}

void clearErrors()
{
    // Bounded: a lost context can keep reporting errors.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) { }
}

bool allocationFailed()
{
    bool failed = false;
    for (int i = 0; i < 32; ++i) {
        GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        failed = true;
    }
    return failed;
}

} // namespace morvena::gl
