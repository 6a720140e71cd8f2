#include "AnatomyUI/SharedGLContext.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/RendererError.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSurfaceFormat>

#include <cstdint>

namespace morvena {

namespace {

std::uintptr_t currentQtContext()
{
    return reinterpret_cast<std::uintptr_t>(QOpenGLContext::currentContext());
}

// Makes a context current for a while and then the one that was current before.
class ContextSwitch {
public:
    ContextSwitch(QOpenGLContext& context, QSurface& surface)
        : previous_(QOpenGLContext::currentContext())
        , previousSurface_(previous_ ? previous_->surface() : nullptr)
        , madeCurrent_(context.makeCurrent(&surface))
    {
    }
    bool madeCurrent() const { return madeCurrent_; }
    ~ContextSwitch()
    {
        if (previous_ && previousSurface_)
            previous_->makeCurrent(previousSurface_);
    }
    ContextSwitch(const ContextSwitch&) = delete;
    ContextSwitch& operator=(const ContextSwitch&) = delete;

private:
    QPointer<QOpenGLContext> previous_;
    QSurface* previousSurface_;
    bool madeCurrent_;
};

} // namespace

void SharedGLContext::prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 5);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    format.setSamples(0);
    QSurfaceFormat::setDefaultFormat(format);
}

SharedGLContext::SharedGLContext()
{
    surface_.setFormat(QSurfaceFormat::defaultFormat());
    surface_.create();
    context_.setFormat(QSurfaceFormat::defaultFormat());
    context_.setShareContext(QOpenGLContext::globalShareContext());
    if (!surface_.isValid() || !context_.create())
        throw RendererError::noDevice();
    auto version = context_.format().version();
    if (version < qMakePair(4, 5))
        throw RendererError::noDevice();
}

SharedGLContext::~SharedGLContext()
{
    if (QOpenGLContext::currentContext() == &context_)
        context_.doneCurrent();
}

void SharedGLContext::makeCurrent()
{
    if (!context_.makeCurrent(&surface_))
        throw RendererError::noDevice();
}

std::shared_ptr<AnatomyRenderer> SharedGLContext::makeRenderer(
    std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene)
{
    ContextSwitch current(context_, surface_);
    if (!current.madeCurrent())
        throw RendererError::noDevice();
    auto made = std::make_unique<AnatomyRenderer>(std::move(pack), std::move(scene));
    made->setContextKey(currentQtContext);
    auto deleter = [this](AnatomyRenderer* renderer) {
        ContextSwitch during(context_, surface_);
        delete renderer;
    };
    return std::shared_ptr<AnatomyRenderer>(made.release(), deleter);
}

} // namespace morvena
