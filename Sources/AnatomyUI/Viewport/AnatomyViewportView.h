#pragma once

#include "AnatomyRender/KeyModifiers.h"
#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/PointerModifier.h"

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class QWidget;

namespace morvena {

class AnatomyMetalView;
class AnatomyRenderer;

// How the views embed the viewport: a renderer and the callbacks, from which make builds
// the view. A view stays bound to the renderer it was made with; a new renderer needs a
// new view.
struct AnatomyViewportView {
    std::shared_ptr<AnatomyRenderer> renderer;
    std::function<void(float2, PointerModifier)> onSelect;
    std::function<void(float2)> onDoubleClick;
    std::function<void(std::optional<float2>)> onHover;
    std::function<void()> onCameraChanged;
    std::function<bool(std::string_view, KeyModifiers)> onKey;
    std::function<void(AnatomyMetalView&)> onViewReady;

    // A view of the renderer with the five callbacks, owned by `parent`. Once it has a
    // context and a size it takes the keyboard focus and calls onViewReady.
    AnatomyMetalView* make(QWidget* parent) const;
    // Applies the five callbacks again and redraws; never the renderer.
    void update(AnatomyMetalView& view) const;
};

} // namespace morvena
