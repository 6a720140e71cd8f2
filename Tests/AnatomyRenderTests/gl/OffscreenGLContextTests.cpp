#include "AnatomyRender/OffscreenGLContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>

using namespace morvena;

TEST(OffscreenGLContext, givesCoreContextThatClearsAndReadsBack)
{
    OffscreenGLContext context;
    ASSERT_TRUE(context.isCurrent());
    EXPECT_GE(epoxy_gl_version(), 45);
    EXPECT_FALSE(context.rendererName().empty());

    GLuint texture = 0, framebuffer = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, GL_RGBA8, 8, 4);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, texture, 0);
    ASSERT_EQ(glCheckNamedFramebufferStatus(framebuffer, GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    const std::array<float, 4> colour {1.f, 0.5f, 0.f, 1.f};
    glClearNamedFramebufferfv(framebuffer, GL_COLOR, 0, colour.data());

    std::array<unsigned char, 8 * 4 * 4> pixels {};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadPixels(0, 0, 8, 4, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_NEAR(pixels[1], 128, 1);
    EXPECT_EQ(pixels[2], 0);
    EXPECT_EQ(pixels[pixels.size() - 1], 255);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
}

TEST(OffscreenGLContext, twoContextsLiveSideBySide)
{
    OffscreenGLContext first;
    {
        OffscreenGLContext second;
        EXPECT_TRUE(second.isCurrent());
        EXPECT_FALSE(first.isCurrent());
    }
    first.makeCurrent();
    EXPECT_TRUE(first.isCurrent());
    EXPECT_GE(epoxy_gl_version(), 45);
}
