#pragma once

#include "AnatomyRender/Math/Float2.h"

#include <functional>
#include <memory>

namespace morvena {

class AnatomyRenderer;

// What the model may ask of the viewport view that shows its renderer. The view
// owns the handle and the model holds it weakly: once the view is gone, the
// model redraws and frames nothing.
struct ViewportHandle {
    // Draw one frame soon (at once while the view is paused).
    std::function<void()> requestRedraw;
    // The drawable in pixels, where picks happen.
    std::function<float2()> drawableSize;
    // The view's size in points, whose width over height frames the camera.
    std::function<float2()> boundsSize;
    // Pixels per point.
    std::function<double()> backingScale;
    // Makes the view's GL context current, for calls that read its pixels.
    std::function<void()> makeCurrent;
    // The renderer the view shows: a view of an earlier dataset's renderer is not
    // the model's viewport.
    std::weak_ptr<const AnatomyRenderer> renderer;
};

} // namespace morvena
