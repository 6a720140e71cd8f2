#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"

namespace morvena {

namespace {

// Shown where there is no camera to name a view of.
constexpr const char* noOrientation = "—";

} // namespace

void AppModel::setVisible(bool visible, AnatomySystem system)
{
    auto systems = visibleSystems_;
    if (visible)
        systems.insert(system);
    else
        systems.erase(system);
    showSystems(std::move(systems));
}

void AppModel::setOnly(AnatomySystem system)
{
    showSystems({system});
}

void AppModel::showAllSystems()
{
    auto all = allAnatomySystems();
    showSystems(withStructures({all.begin(), all.end()}));
}

// A choice of systems by hand ends the preset that was applied.
void AppModel::showSystems(std::set<AnatomySystem> systems)
{
    assign(activePreset_, std::optional<SystemPreset> {}, Field::activePreset);
    assign(visibleSystems_, std::move(systems), Field::visibleSystems);
    if (scene_)
        scene_->visibleSystems = visibleSystems_;
    redraw();
}

void AppModel::setOpacity(float opacity, AnatomySystem system)
{
    auto opacities = systemOpacity_;
    opacities[system] = opacity;
    assign(systemOpacity_, std::move(opacities), Field::systemOpacity);
    if (scene_)
        scene_->systemOpacity[system] = opacity;
    redraw();
}

void AppModel::setStructureOpacity(float opacity, std::int64_t index)
{
    if (scene_)
        scene_->setOpacity(opacity, index);
    redraw();
}

float AppModel::structureOpacity(std::int64_t index) const
{
    return scene_ ? scene_->opacity(index) : 1.0f;
}

std::optional<float> AppModel::ownStructureOpacity(std::int64_t index) const
{
    const float* own = scene_ ? scene_->structureOpacity.find(index) : nullptr;
    return own ? std::optional(*own) : std::nullopt;
}

void AppModel::setLayerDepthMin(int depth)
{
    assign(layerDepthMin_, depth, Field::layerDepthMin);
    if (scene_)
        scene_->layerDepthMin = depth;
    redraw();
}

void AppModel::setGhostOthers(bool ghost)
{
    assign(ghostOthers_, ghost, Field::ghostOthers);
    if (scene_)
        scene_->ghostOthers = ghost;
    preferences().setGhostOthersOnSelect(ghost);
    redraw();
}

void AppModel::setExplode(float amount)
{
    assign(explode_, amount, Field::explode);
    if (scene_)
        scene_->explode = amount;
    redraw();
}

void AppModel::setQuality(RenderQuality quality)
{
    assign(quality_, quality, Field::quality);
    if (auto* renderer = currentRenderer())
        renderer->setQuality(quality);
    preferences().setRenderQuality(rawValue(quality));
    redraw();
}

void AppModel::setBackgroundPalette(BackgroundPalette palette)
{
    assign(backgroundPalette_, palette, Field::backgroundPalette);
    const bool wasDark = darkBackground_;
    if (wasDark)
        assign(darkBackground_, false, Field::darkBackground);
    if (auto* renderer = currentRenderer()) {
        renderer->setBackgroundPalette(palette);
        if (wasDark)
            renderer->setDarkBackground(false);
    }
    preferences().setBackgroundPalette(rawValue(palette));
    if (wasDark)
        preferences().setDarkBackground(false);
    redraw();
}

void AppModel::setLODBias(float bias)
{
    assign(lodBias_, bias, Field::lodBias);
    if (scene_)
        scene_->lodBias = bias;
    preferences().setLodBias(bias);
    redraw();
}

void AppModel::setClip(std::optional<bool> enabled, std::optional<ClipAxis> axis, std::optional<float> offset,
    std::optional<bool> flipped)
{
    if (enabled)
        assign(clipEnabled_, *enabled, Field::clipEnabled);
    if (axis)
        assign(clipAxis_, *axis, Field::clipAxis);
    if (offset)
        assign(clipOffset_, *offset, Field::clipOffset);
    if (flipped)
        assign(clipFlipped_, *flipped, Field::clipFlipped);
    applyClipToScene();
    redraw();
}

void AppModel::isolateSelection()
{
    if (!scene_ || selectedIndices_.empty())
        return;
    scene_->isolate(selectedIndices_);
    // An isolation within one changes no field that clears the hover label.
    clearHover();
    assign(isolationActive_, true, Field::isolationActive);
    redraw();
}

void AppModel::clearIsolation()
{
    assign(isolationActive_, false, Field::isolationActive);
    if (scene_)
        scene_->clearIsolation();
    redraw();
}

void AppModel::hideSelection()
{
    if (!scene_ || selectedIndices_.empty())
        return;
    for (auto index : selectedIndices_)
        scene_->hidden.insert(index);
    recountHidden();
    clearSelection();
}

void AppModel::showHidden()
{
    if (scene_)
        scene_->hidden.clear();
    assign(hiddenCount_, std::int64_t {0}, Field::hiddenCount);
    redraw();
}

void AppModel::recountHidden()
{
    if (scene_)
        assign(hiddenCount_, static_cast<std::int64_t>(scene_->hidden.size()), Field::hiddenCount);
}

// Clears what the user changed in the drawing; the clip axis, quality, level of
// detail, measuring mode, background and preset stay as chosen.
void AppModel::resetAll()
{
    if (!scene_ || !renderer_ || !pack_)
        return;
    auto systems = withStructures(defaultVisibleSystems());
    scene_->reset(systems);
    assign(visibleSystems_, std::move(systems), Field::visibleSystems);
    assign(systemOpacity_, {}, Field::systemOpacity);
    assign(explode_, 0.0f, Field::explode);
    assign(layerDepthMin_, 0, Field::layerDepthMin);
    assign(clipEnabled_, false, Field::clipEnabled);
    assign(clipOffset_, 0.0f, Field::clipOffset);
    assign(clipFlipped_, false, Field::clipFlipped);
    assign(isolationActive_, false, Field::isolationActive);
    assign(hiddenCount_, std::int64_t {0}, Field::hiddenCount);
    scene_->ghostOthers = ghostOthers_;
    clearSelection();
    assign(measurePoints_, {}, Field::measurePoints);
    auto* renderer = currentRenderer();
    renderer->camera().target = pack_->center();
    renderer->frameAll(aspect(), true);
    redraw();
}

void AppModel::apply(CameraPreset preset)
{
    if (auto* renderer = currentRenderer())
        renderer->apply(preset, true);
    redraw();
}

std::string AppModel::orientationLabel() const
{
    if (!renderer_)
        return noOrientation;
    return std::string(italianName(renderer_->camera().nearestPreset()));
}

void AppModel::clearMeasurement()
{
    assign(measurePoints_, {}, Field::measurePoints);
    redraw();
}

} // namespace morvena
