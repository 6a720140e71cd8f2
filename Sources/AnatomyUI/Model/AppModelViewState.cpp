#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyCore/Support/FormerStructureIDs.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <unordered_set>

namespace morvena {

namespace {

// The ranges of the sidebar's controls and of the camera's own gestures; a stored
// view may hold anything.
constexpr float nearestDistanceInRadii = 0.01f;
constexpr float farthestDistanceInRadii = 12;
constexpr float largestClipOffset = 900;

// The value within lowest...highest, or `fallback` when it is not a number at all.
float bounded(float value, float lowest, float highest, float fallback = 0)
{
    return std::isnan(value) ? fallback : std::clamp(value, lowest, highest);
}

// Into -pi...pi, as the camera's own orbit keeps it.
float wrappedAngle(float radians)
{
    if (!std::isfinite(radians))
        return 0;
    return static_cast<float>(std::remainder(static_cast<double>(radians), 2 * std::numbers::pi));
}

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
            opacity.emplace(*system, bounded(value, 0, 1, 1));
    }
    return opacity;
}

// The ids that the structures' names gave before ids left out invisible
// characters, read only for a view that names an id the pack does not know: a
// view stored then.
FormerStructureIDs formerIDsFor(MeshPack& pack, const AnatomyDB* db, const AnatomyViewState& state)
{
    FormerStructureIDs former;
    const auto& index = pack.indexByConceptID();
    const auto known = [&](const std::string& conceptID) { return index.contains(conceptID); };
    if (!db
        || (std::ranges::all_of(state.hiddenStructures, known)
            && std::ranges::all_of(state.isolatedStructures, known)
            && std::ranges::all_of(state.selected, known)))
        return former;
    for (const auto& structure : db->allStructures())
        former.add(structure.conceptID, structure.nameEN);
    return former;
}

// A concept ID unknown to the pack is looked up once more as the structure
// whose name gave it before, then dropped; repeats are dropped too, and the
// order is kept.
std::vector<std::int64_t> indicesOf(
    MeshPack& pack, const FormerStructureIDs& former, const std::vector<std::string>& conceptIDs)
{
    const auto& index = pack.indexByConceptID();
    const auto lookUp = [&](const std::string& conceptID) {
        const auto found = index.find(conceptID);
        if (found != index.end())
            return found;
        const auto structure = former.structureOf(conceptID);
        return structure ? index.find(*structure) : index.end();
    };
    std::vector<std::int64_t> indices;
    std::unordered_set<std::int64_t> seen;
    for (const auto& conceptID : conceptIDs)
        if (auto found = lookUp(conceptID); found != index.end() && seen.insert(found->second).second)
            indices.push_back(found->second);
    return indices;
}

std::vector<std::string> conceptIDsOf(const MeshPack& pack, std::span<const std::int64_t> indices)
{
    std::vector<std::string> conceptIDs;
    conceptIDs.reserve(indices.size());
    for (auto index : indices)
        conceptIDs.push_back(pack.conceptID(index));
    return conceptIDs;
}

} // namespace

std::optional<AnatomyViewState> AppModel::currentViewState() const
{
    if (!renderer_ || !scene_ || !pack_)
        return std::nullopt;
    const auto& camera = renderer_->camera();
    AnatomyViewState state;
    state.cameraTarget = {camera.target.x, camera.target.y, camera.target.z};
    state.cameraDistance = camera.distance;
    state.cameraYaw = camera.yaw;
    state.cameraPitch = camera.pitch;
    for (auto system : visibleSystems_)
        state.visibleSystems.push_back(rawValue(system));
    for (const auto& [system, opacity] : systemOpacity_)
        state.systemOpacity.emplace(std::to_string(rawValue(system)), opacity);
    state.hiddenStructures = conceptIDsOf(*pack_, scene_->hidden.members());
    state.isolatedStructures = conceptIDsOf(*pack_, scene_->isolated.members());
    // The cards, not every selected index: what the inspector showed.
    for (const auto& card : selection_)
        state.selected.push_back(card.conceptID);
    state.clipEnabled = clipEnabled_;
    state.clipAxis = rawValue(clipAxis_);
    state.clipOffset = clipOffset_;
    state.clipFlipped = clipFlipped_;
    state.explode = explode_;
    state.ghostOthers = ghostOthers_;
    return state;
}

void AppModel::persistViewState()
{
    // A window closed before any dataset loaded, or after a failed first load, keeps
    // the view remembered from the run before.
    if (auto state = currentViewState(); state && state->isEncodable())
        preferences().setLastViewState(state);
    if (preferences().showLabels() != showLabels_)
        preferences().setShowLabels(showLabels_);
}

bool AppModel::saveCurrentView(const std::string& name)
{
    if (!db_)
        return false;
    auto state = currentViewState();
    if (!state)
        return false;
    const auto stored = name.empty() ? "Vista " + std::to_string(savedViews_.size() + 1) : name;
    // A state that has no JSON form would be stored as an empty object that never
    // restores; it counts as not stored.
    const auto id = state->isEncodable() ? db_->saveView(stored, state->encodedString()) : 0;
    assign(savedViews_, db_->savedViews(), Field::savedViews);
    if (id == 0) {
        reportFailure("Impossibile salvare la vista.");
        return false;
    }
    assign(lastMessage_, std::optional<std::string>("Vista salvata."), Field::lastMessage);
    return true;
}

void AppModel::restore(const AnatomyDB::SavedView& view)
{
    if (auto state = AnatomyViewState::decode(view.payload))
        apply(*state);
}

void AppModel::deleteView(const AnatomyDB::SavedView& view)
{
    if (!db_) {
        assign(savedViews_, {}, Field::savedViews);
        return;
    }
    const bool deleted = db_->deleteView(view.id);
    assign(savedViews_, db_->savedViews(), Field::savedViews);
    if (!deleted)
        reportFailure("Impossibile eliminare la vista.");
}

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
    const float radius = camera.sceneRadius;
    camera.distance = bounded(state.cameraDistance, nearestDistanceInRadii * radius,
        farthestDistanceInRadii * radius, camera.distance);
    camera.yaw = wrappedAngle(state.cameraYaw);
    camera.pitch = bounded(state.cameraPitch, -OrbitCamera::pitchLimit, OrbitCamera::pitchLimit);
    renderer->setCamera(camera);
}

void AppModel::restoreStructures(const AnatomyViewState& state)
{
    assign(visibleSystems_, systemsOf(state.visibleSystems), Field::visibleSystems);
    assign(systemOpacity_, opacitiesOf(state.systemOpacity), Field::systemOpacity);
    applyToScene(visibleSystems_, systemOpacity_);
    const auto former = formerIDsFor(*pack_, db_.get(), state);
    scene_->hidden.assign(indicesOf(*pack_, former, state.hiddenStructures));
    scene_->isolate(indicesOf(*pack_, former, state.isolatedStructures));
    assign(isolationActive_, !scene_->isolated.empty(), Field::isolationActive);
    assign(hiddenCount_, static_cast<std::int64_t>(scene_->hidden.size()), Field::hiddenCount);
    setSelectedIndices(indicesOf(*pack_, former, state.selected));
    refreshSelectionCards();
}

void AppModel::restoreSettings(const AnatomyViewState& state, bool withClipPlane)
{
    assign(explode_, bounded(state.explode, 0, 1), Field::explode);
    scene_->explode = explode_;
    if (withClipPlane) {
        assign(clipEnabled_, state.clipEnabled, Field::clipEnabled);
        assign(clipAxis_, morvena::clipAxis(state.clipAxis).value_or(ClipAxis::sagittal), Field::clipAxis);
        assign(
            clipOffset_, bounded(state.clipOffset, -largestClipOffset, largestClipOffset), Field::clipOffset);
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
