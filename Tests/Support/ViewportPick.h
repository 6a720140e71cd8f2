#pragma once

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Model/ViewportHandle.h"

#include <QPointF>

#include <cstdint>
#include <optional>

namespace morvena::test {

// The structure the model's renderer finds at a point of its viewport (in widget
// points) within `tolerance` pixels, as a click there would; none without a viewport.
inline std::optional<std::int64_t> structureAt(const AppModel& model, QPointF point, int tolerance)
{
    auto view = model.metalView();
    if (!view || !model.renderer())
        return std::nullopt;
    view->makeCurrent();
    const auto scale = static_cast<float>(view->backingScale());
    return model.renderer()->pick(
        {static_cast<float>(point.x()) * scale, static_cast<float>(point.y()) * scale}, view->drawableSize(),
        tolerance);
}

} // namespace morvena::test
