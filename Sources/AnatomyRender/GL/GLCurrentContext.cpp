#include "AnatomyRender/GL/GLCurrentContext.h"

namespace morvena::gl::CurrentContext {

bool offersGL45()
{
    // Without a current context glGetString answers null.
    if (glGetString(GL_VERSION) == nullptr)
        return false;
    return epoxy_gl_version() >= 45;
}

std::string rendererName()
{
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer ? renderer : "";
}

Fence submitFrame(GLuint framebuffer)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    auto fence = Fence::insert();
    glFlush();
    return fence;
}

void finish()
{
    glFinish();
}

} // namespace morvena::gl::CurrentContext
