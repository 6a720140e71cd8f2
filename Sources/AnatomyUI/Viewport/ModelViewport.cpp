#include "AnatomyUI/Viewport/ModelViewport.h"

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Model/ViewportHandle.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/AnatomyViewportView.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace morvena::ModelViewport {

namespace {

// Keeps the handle alive exactly as long as the view it describes.
class HandleOwner : public QObject {
public:
    HandleOwner(std::shared_ptr<ViewportHandle> handle, QObject* view)
        : QObject(view)
        , handle_(std::move(handle))
    {
    }

private:
    std::shared_ptr<ViewportHandle> handle_;
};

std::shared_ptr<ViewportHandle> makeHandle(
    AnatomyMetalView& view, std::weak_ptr<const AnatomyRenderer> renderer)
{
    QPointer<AnatomyMetalView> guarded(&view);
    auto handle = std::make_shared<ViewportHandle>();
    handle->requestRedraw = [guarded] {
        if (guarded)
            guarded->requestRedraw();
    };
    handle->drawableSize = [guarded] { return guarded ? guarded->drawableSize() : float2 {0, 0}; };
    handle->boundsSize = [guarded] {
        return guarded ? float2 {static_cast<float>(guarded->width()), static_cast<float>(guarded->height())}
                       : float2 {0, 0};
    };
    handle->backingScale = [guarded] { return guarded ? guarded->devicePixelRatioF() : 1.0; };
    handle->makeCurrent = [guarded] {
        if (guarded)
            guarded->makeCurrent();
    };
    handle->renderer = std::move(renderer);
    return handle;
}

} // namespace

AnatomyMetalView* make(AppModel& model, QWidget* parent)
{
    if (!model.renderer())
        return nullptr;
    QPointer<AppModel> guarded(&model);
    AnatomyViewportView viewport;
    viewport.renderer = model.renderer();
    viewport.onSelect = [guarded](float2 point, PointerModifier modifier) {
        if (guarded)
            guarded->handleSelect(point, modifier);
    };
    viewport.onDoubleClick = [guarded](float2 point) {
        if (guarded)
            guarded->handleDoubleClick(point);
    };
    viewport.onHover = [guarded](std::optional<float2> point) {
        if (guarded)
            guarded->handleHover(point);
    };
    // The camera's own moves need nothing from the model.
    viewport.onCameraChanged = [] {};
    viewport.onKey = [guarded](std::string_view key, KeyModifiers modifiers) {
        return guarded && guarded->handleKey(key, modifiers);
    };
    auto* view = viewport.make(parent);
    auto handle = makeHandle(*view, model.renderer());
    std::weak_ptr<ViewportHandle> weakHandle = handle;
    new HandleOwner(std::move(handle), view); // owned by the view
    QObject::connect(view, &AnatomyMetalView::viewReady, view, [guarded, weakHandle] {
        if (auto handle = weakHandle.lock(); handle && guarded)
            guarded->viewportReady(handle);
    });
    return view;
}

} // namespace morvena::ModelViewport
