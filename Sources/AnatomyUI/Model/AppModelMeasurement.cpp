#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyRender/AnatomyRenderer.h"

#include <cmath>

namespace morvena {

std::optional<float> AppModel::measureDistanceMM() const
{
    if (measurePoints_.size() != 2)
        return std::nullopt;
    const auto d = measurePoints_[1] - measurePoints_[0];
    return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}

std::vector<float2> AppModel::measurePointsOnScreen(float2 viewSize) const
{
    std::vector<float2> points;
    if (!renderer_)
        return points;
    const auto& camera = renderer_->camera();
    for (const auto& point : measurePoints_)
        if (auto projected = camera.project(point, viewSize))
            points.push_back({projected->x, projected->y});
    return points;
}

} // namespace morvena
