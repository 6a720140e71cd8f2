#pragma once

#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <memory>

namespace morvena {

class AnatomyRenderer;
class AnatomyScene;
class MeshPack;

// The viewer's own OpenGL context in the application's share group, with a surface
// that is never shown. Renderers are made, called and destroyed in it whenever no
// view's context is current: they exist before any view does, and every view's context
// shares their buffers, textures and programs.
//
// The window layer owns the one SharedGLContext: it makes it after QApplication and
// before the application model and destroys it after the model.
class SharedGLContext {
public:
    // Before QApplication: one share group for every context, and the default format
    // (OpenGL 4.5 core, no depth, stencil or multisampling: the renderer has its own targets).
    static void prepareApplication();

    // Throws RendererError::noDevice when no 4.5 core context can be made.
    SharedGLContext();
    ~SharedGLContext();
    SharedGLContext(const SharedGLContext&) = delete;
    SharedGLContext& operator=(const SharedGLContext&) = delete;

    // Throws RendererError::noDevice when the context cannot be made current.
    void makeCurrent();
    QOpenGLContext& context() { return context_; }

    // A renderer made in this context, set to find its per-context objects by Qt's
    // current context, whose deleter makes this context current again (and then restores
    // the one that was). Throws what AnatomyRenderer's constructor throws.
    std::shared_ptr<AnatomyRenderer> makeRenderer(
        std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene);

private:
    QOffscreenSurface surface_;
    QOpenGLContext context_;
};

} // namespace morvena
