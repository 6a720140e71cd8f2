#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"

#include <charconv>

namespace morvena {

namespace {

std::set<AnatomySystem> systemsOf(const std::vector<std::uint32_t>& rawValues)
{
    std::set<AnatomySystem> systems;
    for (auto raw : rawValues)
        if (auto system = anatomySystem(raw))
            systems.insert(*system);
    return systems;
}

// Keys are systems' raw values in decimal; anything else names no system.
std::map<AnatomySystem, float> opacitiesOf(const std::map<std::string, float>& stored)
{
    std::map<AnatomySystem, float> opacity;
    for (const auto& [key, value] : stored) {
        std::uint32_t raw = 0;
        auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), raw);
        if (error != std::errc() || end != key.data() + key.size())
            continue;
        if (auto system = anatomySystem(raw))
            opacity.emplace(*system, value);
    }
    return opacity;
}

// Concept IDs unknown to the pack are dropped; the order is kept.
std::vector<std::int64_t> indicesOf(MeshPack& pack, const std::vector<std::string>& conceptIDs)
{
    const auto& index = pack.indexByConceptID();
    std::vector<std::int64_t> indices;
    for (const auto& conceptID : conceptIDs)
        if (auto found = index.find(conceptID); found != index.end())
            indices.push_back(found->second);
    return indices;
}

} // namespace

void AppModel::apply(const AnatomyViewState& state)
{
    if (!renderer_ || !scene_ || !pack_)
        return;
    restoreCamera(state);
    restoreStructures(state);
    restoreSettings(state, true);
    redraw();
}

void AppModel::restoreCamera(const AnatomyViewState& state)
{
    auto* renderer = currentRenderer();
    if (!renderer)
        return;
    auto camera = renderer->camera();
    if (state.cameraTarget.size() == 3)
        camera.target = {state.cameraTarget[0], state.cameraTarget[1], state.cameraTarget[2]};
    camera.distance = state.cameraDistance;
    camera.yaw = state.cameraYaw;
    camera.pitch = state.cameraPitch;
    renderer->setCamera(camera);
}

void AppModel::restoreStructures(const AnatomyViewState& state)
{
    assign(visibleSystems_, systemsOf(state.visibleSystems), Field::visibleSystems);
    assign(systemOpacity_, opacitiesOf(state.systemOpacity), Field::systemOpacity);
    applyToScene(visibleSystems_, systemOpacity_);
    scene_->hidden.assign(indicesOf(*pack_, state.hiddenStructures));
    scene_->isolate(indicesOf(*pack_, state.isolatedStructures));
    assign(isolationActive_, !scene_->isolated.empty(), Field::isolationActive);
    assign(hiddenCount_, static_cast<std::int64_t>(scene_->hidden.size()), Field::hiddenCount);
    setSelectedIndices(indicesOf(*pack_, state.selected));
    refreshSelectionCards();
}

void AppModel::restoreSettings(const AnatomyViewState& state, bool withClipPlane)
{
    assign(explode_, state.explode, Field::explode);
    scene_->explode = explode_;
    if (withClipPlane) {
        assign(clipEnabled_, state.clipEnabled, Field::clipEnabled);
        assign(clipAxis_, morvena::clipAxis(state.clipAxis).value_or(ClipAxis::sagittal), Field::clipAxis);
        assign(clipOffset_, state.clipOffset, Field::clipOffset);
        assign(clipFlipped_, state.clipFlipped, Field::clipFlipped);
        applyClipToScene();
    }
    assign(ghostOthers_, state.ghostOthers, Field::ghostOthers);
    scene_->ghostOthers = ghostOthers_;
}

void AppModel::applyClipToScene()
{
    if (!scene_)
        return;
    scene_->clip
        = clipEnabled_ ? std::optional(ClipPlane {clipAxis_, clipOffset_, clipFlipped_}) : std::nullopt;
}

} // namespace morvena
