#include "RenderTestSupport.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace morvena;
using namespace morvena::test;

namespace {

// Every error the driver reports in the context it is attached to, as it happens.
class GLErrorLog {
public:
    void attach()
    {
        glEnable(GL_DEBUG_OUTPUT);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(record, this);
    }
    const std::vector<std::string>& errors() const { return errors_; }

private:
    static void GLAPIENTRY record(
        GLenum, GLenum type, GLuint, GLenum, GLsizei length, const GLchar* message, const void* log)
    {
        if (type == GL_DEBUG_TYPE_ERROR)
            static_cast<GLErrorLog*>(const_cast<void*>(log))->errors_.emplace_back(message, length);
    }
    std::vector<std::string> errors_;
};

std::uintptr_t currentEGLContext()
{
    return reinterpret_cast<std::uintptr_t>(eglGetCurrentContext());
}

// The centre and a corner of a frame drawn into a framebuffer of the current context.
struct DrawnFrame {
    std::array<std::uint8_t, 4> centre {};
    std::array<std::uint8_t, 4> corner {};
};

DrawnFrame drawFrame(AnatomyRenderer& renderer)
{
    TestFramebuffer target(64, 64);
    renderer.draw(target.framebuffer, 64, 64);
    DrawnFrame frame;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, frame.centre.data());
    glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, frame.corner.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return frame;
}

void expectBoxAtCentre(const DrawnFrame& frame)
{
    // The box is lit grey-white; the dark background stays below 30 in every channel.
    EXPECT_GT(frame.centre[0], 60);
    EXPECT_LE(frame.corner[0], 30);
}

// A renderer made in context A (the fixture's) with a second context B of its share group.
struct SharedContextFixture : RenderFixture {
    SharedContextFixture()
        : RenderFixture({pixelBox("Centro", 16, 16, 48, 48)}, 32)
    {
        logA.attach();
        renderer->setContextKey(currentEGLContext);
        contextB = std::make_unique<OffscreenGLContext>(&context);
        logB.attach();
    }
    GLErrorLog logA;
    GLErrorLog logB;
    std::unique_ptr<OffscreenGLContext> contextB;
};

} // namespace

TEST(SharedContexts, rendererMadeInOneContextDrawsAndPicksInAnother)
{
    SharedContextFixture fixture;
    ASSERT_TRUE(fixture.contextB->isCurrent());
    expectBoxAtCentre(drawFrame(*fixture.renderer));
    EXPECT_EQ(fixture.renderer->pick({32, 32}, {64, 64}, 7), 0);
    EXPECT_FALSE(fixture.renderer->pick({2, 2}, {64, 64}, 0));
    // Back in A the renderer's own objects serve, then B's again.
    fixture.context.makeCurrent();
    expectBoxAtCentre(drawFrame(*fixture.renderer));
    fixture.contextB->makeCurrent();
    expectBoxAtCentre(drawFrame(*fixture.renderer));

    fixture.renderer->releaseContextObjects();
    fixture.contextB.reset();
    fixture.context.makeCurrent();
    EXPECT_EQ(fixture.renderer->pick({32, 32}, {64, 64}, 7), 0);
    fixture.renderer.reset();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(fixture.logA.errors(), std::vector<std::string>());
    EXPECT_EQ(fixture.logB.errors(), std::vector<std::string>());
}

TEST(SharedContexts, destroyingTheRendererLeavesAnotherContextsObjectsToIt)
{
    SharedContextFixture fixture;
    // A's first framebuffers and vertex arrays get the names that B's get below:
    // deleting B's objects by name while A is current would take these with them.
    fixture.context.makeCurrent();
    std::array<GLuint, 8> keptFramebuffers {};
    std::array<GLuint, 8> keptVertexArrays {};
    glCreateFramebuffers(8, keptFramebuffers.data());
    glCreateVertexArrays(8, keptVertexArrays.data());
    fixture.contextB->makeCurrent();
    drawFrame(*fixture.renderer);
    fixture.renderer->pick({32, 32}, {64, 64}, 7);

    fixture.context.makeCurrent();
    fixture.renderer.reset();
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_TRUE(glIsFramebuffer(keptFramebuffers[i])) << i;
        EXPECT_TRUE(glIsVertexArray(keptVertexArrays[i])) << i;
    }
    glDeleteFramebuffers(8, keptFramebuffers.data());
    glDeleteVertexArrays(8, keptVertexArrays.data());
    fixture.contextB.reset();
    fixture.context.makeCurrent();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(fixture.logA.errors(), std::vector<std::string>());
    EXPECT_EQ(fixture.logB.errors(), std::vector<std::string>());
}
