#pragma once

// Small owners of OpenGL object names. Each deletes its object when it goes, so a
// failed set-up step never leaks what the earlier steps made. They must be destroyed
// while a context of the share group that made them is current, and vertex arrays and
// framebuffers, which GL never shares, while the very context that made them is. Internal to the renderer:
// the header brings in the GL declarations, which other modules must not see.

#include <epoxy/gl.h>

#include <string_view>
#include <utility>

namespace morvena::gl {

template <typename Traits> class Handle {
public:
    Handle() = default;
    explicit Handle(GLuint name)
        : name_(name)
    {
    }
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept
        : name_(std::exchange(other.name_, 0))
    {
    }
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            reset();
            name_ = std::exchange(other.name_, 0);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    GLuint get() const { return name_; }
    explicit operator bool() const { return name_ != 0; }
    void reset()
    {
        if (name_ != 0)
            Traits::destroy(name_);
        name_ = 0;
    }
    // Lets go of the object without deleting it: for a vertex array or framebuffer of
    // another context, which goes with that context.
    void forget() { name_ = 0; }

private:
    GLuint name_ = 0;
};

struct BufferTraits {
    static void destroy(GLuint name) { glDeleteBuffers(1, &name); }
};
struct TextureTraits {
    static void destroy(GLuint name) { glDeleteTextures(1, &name); }
};
struct FramebufferTraits {
    static void destroy(GLuint name) { glDeleteFramebuffers(1, &name); }
};
struct VertexArrayTraits {
    static void destroy(GLuint name) { glDeleteVertexArrays(1, &name); }
};
struct ShaderTraits {
    static void destroy(GLuint name) { glDeleteShader(name); }
};
struct ProgramTraits {
    static void destroy(GLuint name) { glDeleteProgram(name); }
};

using Buffer = Handle<BufferTraits>;
using Texture = Handle<TextureTraits>;
using Framebuffer = Handle<FramebufferTraits>;
using VertexArray = Handle<VertexArrayTraits>;
using Shader = Handle<ShaderTraits>;
using Program = Handle<ProgramTraits>;

// A fence that marks the end of the GPU work submitted before it.
class Fence {
public:
    Fence() = default;
    ~Fence() { reset(); }
    Fence(Fence&& other) noexcept
        : sync_(std::exchange(other.sync_, nullptr))
    {
    }
    Fence& operator=(Fence&& other) noexcept
    {
        if (this != &other) {
            reset();
            sync_ = std::exchange(other.sync_, nullptr);
        }
        return *this;
    }
    Fence(const Fence&) = delete;
    Fence& operator=(const Fence&) = delete;

    static Fence insert()
    {
        Fence fence;
        fence.sync_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        return fence;
    }
    explicit operator bool() const { return sync_ != nullptr; }
    // Blocks until the GPU has passed the fence, then forgets it. No fence: returns at once.
    void wait()
    {
        if (!sync_)
            return;
        constexpr GLuint64 oneSecond = 1'000'000'000;
        GLbitfield flags = GL_SYNC_FLUSH_COMMANDS_BIT;
        for (;;) {
            GLenum result = glClientWaitSync(sync_, flags, oneSecond);
            if (result != GL_TIMEOUT_EXPIRED)
                break;
            flags = 0;
        }
        reset();
    }
    void reset()
    {
        if (sync_)
            glDeleteSync(sync_);
        sync_ = nullptr;
    }

private:
    GLsync sync_ = nullptr;
};

inline Buffer createBuffer()
{
    GLuint name = 0;
    glCreateBuffers(1, &name);
    return Buffer(name);
}

inline Texture createTexture(GLenum target)
{
    GLuint name = 0;
    glCreateTextures(target, 1, &name);
    return Texture(name);
}

inline Framebuffer createFramebuffer()
{
    GLuint name = 0;
    glCreateFramebuffers(1, &name);
    return Framebuffer(name);
}

inline VertexArray createVertexArray()
{
    GLuint name = 0;
    glCreateVertexArrays(1, &name);
    return VertexArray(name);
}

// Names the object in GPU debuggers and driver messages.
inline void label(GLenum identifier, GLuint name, std::string_view text)
{
    if (name != 0 && !text.empty())
        glObjectLabel(identifier, name, static_cast<GLsizei>(text.size()), text.data());
}

// Names a stretch of commands (a frame, a pass) in GPU debuggers, for as long as it lives.
class DebugGroup {
public:
    explicit DebugGroup(std::string_view name)
    {
        glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 0, static_cast<GLsizei>(name.size()), name.data());
    }
    ~DebugGroup() { glPopDebugGroup(); }
    DebugGroup(const DebugGroup&) = delete;
    DebugGroup& operator=(const DebugGroup&) = delete;
};

} // namespace morvena::gl
