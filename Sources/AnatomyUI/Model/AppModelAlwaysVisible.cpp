#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/EyesAndTeeth.h"

#include <algorithm>

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

} // namespace morvena
