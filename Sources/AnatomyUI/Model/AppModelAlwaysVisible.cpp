#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/EyesAndTeeth.h"

#include <algorithm>
#include <cmath>

namespace morvena {

void AppModel::resolveAlwaysVisible()
{
    if (!db_ || !scene_)
        return;
    auto indices = EyesAndTeeth::structures(*db_);
    // The database is the dataset's own file: an index it names need not exist in the pack.
    const auto count = static_cast<std::int64_t>(pack_->structureCount());
    std::erase_if(indices, [count](std::int64_t index) { return index < 0 || index >= count; });
    assign(alwaysVisibleCount_, static_cast<std::int64_t>(indices.size()), Field::alwaysVisibleCount);
    assign(alwaysVisibleIndices_, std::move(indices), Field::alwaysVisibleIndices);
    EyesAndTeeth::colour(*scene_, *db_);
    applyAlwaysVisible();
}

void AppModel::applyAlwaysVisible()
{
    if (!scene_)
        return;
    if (showEyesAndTeeth_)
        scene_->alwaysVisible.assign(alwaysVisibleIndices_);
    else
        scene_->alwaysVisible.clear();
    preferences().setShowEyesAndTeeth(showEyesAndTeeth_);
    redraw();
}

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
