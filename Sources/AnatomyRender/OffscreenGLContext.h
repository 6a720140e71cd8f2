#pragma once

#include <memory>
#include <string>

namespace morvena {

// An OpenGL 4.5 core context without a window, for the command-line tool and the tests.
// It tries a GPU through the EGL device platform first, then Mesa's surfaceless
// platform, then a pbuffer on the default display. The viewer does not use it: there
// the renderer draws in contexts that Qt makes.
class OffscreenGLContext {
public:
    enum class Platform { device, surfaceless, pbuffer };

    // Makes the new context current on the calling thread. Throws RendererError::noDevice
    // when no platform gives a 4.5 core context.
    OffscreenGLContext();
    // A context in the share group of `shareWith`, on the same display: buffers,
    // textures and programs of one are the other's. Made current. Throws
    // RendererError::noDevice when it cannot be made.
    explicit OffscreenGLContext(const OffscreenGLContext* shareWith);
    ~OffscreenGLContext();
    OffscreenGLContext(const OffscreenGLContext&) = delete;
    OffscreenGLContext& operator=(const OffscreenGLContext&) = delete;

    void makeCurrent();
    bool isCurrent() const;
    Platform platform() const;
    // The GL_RENDERER text, for logs and benchmark reports.
    const std::string& rendererName() const;

    struct State; // EGL handles, kept out of this header

private:
    std::unique_ptr<State> state_;
};

} // namespace morvena
