#include "AnatomyUI/Viewport/AnatomyViewportView.h"

#include "AnatomyUI/Viewport/AnatomyMetalView.h"

#include <QWidget>

namespace morvena {

AnatomyMetalView* AnatomyViewportView::make(QWidget* parent) const
{
    auto* view = new AnatomyMetalView(renderer, parent); // owned by parent
    update(*view);
    QObject::connect(view, &AnatomyMetalView::viewReady, view, [view, ready = onViewReady] {
        if (ready)
            ready(*view);
    });
    return view;
}

void AnatomyViewportView::update(AnatomyMetalView& view) const
{
    auto& input = view.input();
    input.onSelect = onSelect;
    input.onDoubleClick = onDoubleClick;
    input.onHover = onHover;
    input.onCameraChanged = onCameraChanged;
    input.onKey = onKey;
    view.update();
}

} // namespace morvena
