#include "AnatomyRender/AnatomyScene.h"

#include "AnatomyRender/Internal/SurfaceMaterial.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace morvena {

namespace {

// Alpha thresholds shared by drawing and picking.
constexpr float drawnAbove = 0.002f;
constexpr float opaqueFrom = 0.999f;
constexpr float pickableAbove = 0.02f;

// Projected sizes in pixels at which a structure drops to a coarser level.
constexpr float finestLevelFrom = 55;
constexpr float middleLevelFrom = 14;
constexpr float lodBiasFloor = 0.05f;

constexpr float largestFloat = std::numeric_limits<float>::max();

int requestedLevel(float pixels)
{
    if (pixels >= finestLevelFrom)
        return 0;
    if (pixels >= middleLevelFrom)
        return 1;
    return 2;
}

// Explode direction at factor 1: mostly outwards from the body's vertical axis with
// a quarter of the height offset; large structures travel less than small ones.
Float3 explodeDirection(Float3 center, float radius, Float3 bodyCenter, float bodyRadius)
{
    Float3 d = center - bodyCenter;
    float horizontal = std::sqrt(d.x * d.x + d.z * d.z);
    Float3 h = horizontal > 0.001f ? Float3 {d.x / horizontal, 0, d.z / horizontal} : Float3 {0, 0, 1};
    Float3 v = normalize({h.x, 0.25f * d.y / std::max(bodyRadius, 1.f), h.z});
    float k = 1 - 0.75f * std::min(radius / bodyRadius, 1.f);
    return v * bodyRadius * 0.7f * k;
}

} // namespace

AnatomyScene::AnatomyScene(std::shared_ptr<const MeshPack> pack, std::set<AnatomySystem> visibleSystems)
    : visibleSystems(std::move(visibleSystems))
    , pack_(std::move(pack))
{
    if (!pack_)
        throw std::invalid_argument("AnatomyScene needs a geometry pack");
    records_ = pack_->structures();
    structureCount_ = static_cast<std::int64_t>(records_.size());
    auto count = records_.size();
    hidden = StructureSet(count);
    isolated = StructureSet(count);
    alwaysVisible = StructureSet(count);
    selected = StructureSet(count);
    structureOpacity = StructureOverrides<float>(count);
    colorOverrides = StructureOverrides<Float3>(count);

    systemOf_.reserve(count);
    centers_.reserve(count);
    radii_.reserve(count);
    explodeDirections_.reserve(count);
    Float3 bodyCenter = pack_->center();
    float bodyRadius = std::max(1.f, pack_->radius());
    for (AnatomySystem system : allAnatomySystems()) {
        SystemColor color = baseColor(system);
        systemColors_[rawValue(system)] = {color.red, color.green, color.blue};
        systemMaterials_[rawValue(system)] = surfaceMaterial(system);
    }
    for (const PackStructure& record : records_) {
        systemOf_.push_back(anatomySystem(record.system).value_or(AnatomySystem::unclassified));
        centers_.push_back(record.center());
        radii_.push_back(record.radius);
        explodeDirections_.push_back(
            explodeDirection(record.center(), record.radius, bodyCenter, bodyRadius));
    }
    transparentScratch_.reserve(count);
}

AnatomySystem AnatomyScene::system(std::int64_t index) const
{
    return inRange(index) ? systemOf_[static_cast<std::size_t>(index)] : AnatomySystem::unclassified;
}

Float3 AnatomyScene::center(std::int64_t index) const
{
    return inRange(index) ? centers_[static_cast<std::size_t>(index)] : Float3 {};
}

float AnatomyScene::radius(std::int64_t index) const
{
    return inRange(index) ? radii_[static_cast<std::size_t>(index)] : 0;
}

Float3 AnatomyScene::explodeOffset(std::int64_t index) const
{
    return inRange(index) ? explodeDirections_[static_cast<std::size_t>(index)] * explode : Float3 {};
}

AnatomyScene::SystemRules AnatomyScene::systemRules() const
{
    SystemRules rules;
    for (AnatomySystem system : allAnatomySystems()) {
        SystemRule& rule = rules[rawValue(system)];
        rule.shown = visibleSystems.contains(system);
        rule.peeled = defaultLayerDepth(system) < layerDepthMin;
        if (auto found = systemOpacity.find(system); found != systemOpacity.end()) {
            rule.hasOpacity = true;
            rule.opacity = found->second;
        }
    }
    return rules;
}

// Isolation overrides everything; then hidden beats always-visible, which beats the
// system switch and the peeled layers.
bool AnatomyScene::isVisible(std::int64_t index, const SystemRules& rules) const
{
    if (!inRange(index))
        return false;
    if (!isolated.empty())
        return isolated.contains(index) || selected.contains(index);
    if (hidden.contains(index))
        return false;
    if (alwaysVisible.contains(index))
        return true;
    const SystemRule& rule = rules[rawValue(systemOf_[static_cast<std::size_t>(index)])];
    return rule.shown && !rule.peeled;
}

float AnatomyScene::opacity(std::int64_t index, const SystemRules& rules) const
{
    if (!inRange(index))
        return 0;
    if (const float* value = structureOpacity.find(index))
        return *value;
    const SystemRule& rule = rules[rawValue(systemOf_[static_cast<std::size_t>(index)])];
    if (!rule.shown && alwaysVisible.contains(index))
        return 1;
    return rule.hasOpacity ? rule.opacity : 1;
}

bool AnatomyScene::isVisible(std::int64_t index) const
{
    return isVisible(index, systemRules());
}

float AnatomyScene::opacity(std::int64_t index) const
{
    return opacity(index, systemRules());
}

void AnatomyScene::setOpacity(float value, std::int64_t index)
{
    if (std::abs(value - 1) < 0.001f)
        structureOpacity.erase(index);
    else if (!std::isnan(value))
        structureOpacity.set(index, std::clamp(value, 0.f, 1.f));
}

void AnatomyScene::toggleVisible(AnatomySystem system)
{
    if (!visibleSystems.erase(system))
        visibleSystems.insert(system);
}

void AnatomyScene::isolate(std::span<const std::int64_t> indices)
{
    isolated.assign(indices);
}

void AnatomyScene::clearIsolation()
{
    isolated.clear();
}

void AnatomyScene::reset(std::set<AnatomySystem> systems)
{
    visibleSystems = std::move(systems);
    hidden.clear();
    isolated.clear();
    structureOpacity.clear();
    systemOpacity.clear();
    colorOverrides.clear();
    explode = 0;
    clip.reset();
    layerDepthMin = 0;
    ghostOthers = false;
}

std::int64_t AnatomyScene::visibleStructureCount() const
{
    SystemRules rules = systemRules();
    std::int64_t count = 0;
    for (std::int64_t i = 0; i < structureCount_; ++i)
        if (isVisible(i, rules) && opacity(i, rules) > drawnAbove)
            ++count;
    return count;
}

AnatomyScene::FrameView AnatomyScene::frameView(const OrbitCamera& unchecked, float2 viewSize) const
{
    // A camera restored from a damaged view state must not turn the plan into NaNs.
    OrbitCamera camera = unchecked.sanitized();
    FrameView view;
    view.viewProjection = camera.viewProjection(viewSize.x / std::max(viewSize.y, 1.f));
    view.eye = camera.position();
    view.pixelScale = viewSize.y / (2 * std::tan(camera.fovY / 2));
    view.lodScale = view.pixelScale * std::max(lodBias, lodBiasFloor);
    return view;
}

AnatomyScene::Placement AnatomyScene::placement(std::int64_t index, Float3 eye) const
{
    auto i = static_cast<std::size_t>(index);
    Placement placed;
    placed.center = centers_[i] + explodeDirections_[i] * explode;
    placed.radius = std::max(radii_[i], 0.001f);
    placed.distance = length(eye - placed.center);
    return placed;
}

AnatomyScene::DrawRange AnatomyScene::levelRange(
    std::int64_t index, const Placement& placed, const FrameView& view) const
{
    float pixels = view.lodScale * placed.radius / std::max(placed.distance, 0.001f);
    const PackStructure& record = records_[static_cast<std::size_t>(index)];
    int level = record.resolvedLOD(requestedLevel(pixels));
    return {record.lodIndexStart(level), record.lodIndexCount(level), 0};
}

void AnatomyScene::writeProps(StructureProps& props, std::int64_t index, float alpha, bool selectedFlag) const
{
    auto system = rawValue(systemOf_[static_cast<std::size_t>(index)]);
    const Float3* override = colorOverrides.find(index);
    props.colorAlpha = {override ? *override : systemColors_[system], alpha};
    props.explodeFlags = {explodeDirections_[static_cast<std::size_t>(index)],
        selectedFlag ? StructureProps::selectedFlag : 0.f};
    props.material = systemMaterials_[system];
}

void AnatomyScene::requireProps(std::span<StructureProps> props) const
{
    if (props.size() < static_cast<std::size_t>(structureCount_))
        throw std::invalid_argument("the structure record array is smaller than the pack");
}

AnatomyScene::DrawPlan AnatomyScene::buildFrame(
    const OrbitCamera& camera, float2 viewSize, std::span<StructureProps> props)
{
    DrawPlan plan;
    buildFrame(camera, viewSize, props, plan);
    return plan;
}

void AnatomyScene::buildFrame(
    const OrbitCamera& camera, float2 viewSize, std::span<StructureProps> props, DrawPlan& plan)
{
    requireProps(props);
    plan.opaque.clear();
    plan.transparent.clear();
    plan.triangles = plan.visibleStructures = plan.culled = 0;
    transparentScratch_.clear();

    FrameView view = frameView(camera, viewSize);
    std::optional<std::array<float4, 6>> planes;
    if (frustumCulling)
        planes = frustumPlanes(view.viewProjection);
    SystemRules rules = systemRules();
    bool ghosting = ghostOthers && !selected.empty();

    std::optional<DrawRange> run;
    auto closeRun = [&] {
        if (run)
            plan.opaque.push_back(*run);
        run.reset();
    };

    for (std::int64_t i = 0; i < structureCount_; ++i) {
        bool visible = isVisible(i, rules);
        float alpha = visible ? opacity(i, rules) : 0;
        bool isSelected = selected.contains(i);
        if (ghosting && visible && !isSelected)
            alpha = std::min(alpha, ghostAlpha);
        writeProps(props[static_cast<std::size_t>(i)], i, alpha, isSelected);
        if (!(visible && alpha > drawnAbove)) {
            closeRun();
            continue;
        }

        Placement placed = placement(i, view.eye);
        if (planes && std::any_of(planes->begin(), planes->end(), [&](const float4& plane) {
                return dot(plane.xyz(), placed.center) + plane.w < -placed.radius;
            })) {
            ++plan.culled;
            closeRun();
            continue;
        }

        DrawRange range = levelRange(i, placed, view);
        if (range.indexCount == 0) {
            closeRun();
            continue;
        }
        ++plan.visibleStructures;
        plan.triangles += range.indexCount / 3;

        if (alpha >= opaqueFrom) {
            if (run && run->indexStart + run->indexCount == range.indexStart) {
                run->indexCount += range.indexCount;
            } else {
                closeRun();
                run = range;
            }
        } else {
            float squared = placed.distance * placed.distance;
            range.sortKey = std::isnan(squared) ? 0 : -squared;
            transparentScratch_.push_back({range.sortKey, i, range});
            closeRun();
        }
    }
    closeRun();

    // Farthest first; equal distances keep the structure order.
    std::sort(transparentScratch_.begin(), transparentScratch_.end(), [](const auto& a, const auto& b) {
        return a.sortKey < b.sortKey || (a.sortKey == b.sortKey && a.index < b.index);
    });
    for (const TransparentEntry& entry : transparentScratch_)
        plan.transparent.push_back(entry.range);
}

AnatomyScene::DrawPlan AnatomyScene::buildPickFrame(const OrbitCamera& camera, float2 viewSize, float2 cursor,
    float tolerance, std::span<StructureProps> props) const
{
    requireProps(props);
    DrawPlan plan;
    FrameView view = frameView(camera, viewSize);
    SystemRules rules = systemRules();

    for (std::int64_t i = 0; i < structureCount_; ++i) {
        bool visible = isVisible(i, rules);
        float alpha = visible ? opacity(i, rules) : 0;
        writeProps(props[static_cast<std::size_t>(i)], i, alpha, false);
        if (!(visible && alpha > pickableAbove))
            continue;

        Placement placed = placement(i, view.eye);
        if (placed.distance > placed.radius) {
            float4 clip = view.viewProjection * float4(placed.center, 1);
            if (clip.w <= 0.0001f)
                continue;
            float4 ndc = clip / clip.w;
            float dx = viewSize.x * (ndc.x / 2 + 0.5f) - cursor.x;
            float dy = viewSize.y * (1 - (ndc.y / 2 + 0.5f)) - cursor.y;
            float reach = tolerance + view.pixelScale * placed.radius / placed.distance;
            if (!(std::sqrt(dx * dx + dy * dy) <= reach))
                continue;
        }

        DrawRange range = levelRange(i, placed, view);
        if (range.indexCount == 0)
            continue;
        plan.opaque.push_back(range);
        ++plan.visibleStructures;
        plan.triangles += range.indexCount / 3;
    }
    return plan;
}

std::optional<AnatomyScene::Bounds> AnatomyScene::boxUnion(
    std::span<const std::int64_t> indices, bool displaced) const
{
    Bounds box {{largestFloat, largestFloat, largestFloat}, {-largestFloat, -largestFloat, -largestFloat}};
    for (std::int64_t index : indices) {
        if (!inRange(index))
            continue;
        const PackStructure& record = records_[static_cast<std::size_t>(index)];
        Float3 offset = displaced ? explodeOffset(index) : Float3 {};
        box.min = min(box.min, record.boundsMin() + offset);
        box.max = max(box.max, record.boundsMax() + offset);
    }
    if (indices.empty() || box.min.x > box.max.x)
        return std::nullopt;
    return box;
}

std::optional<AnatomyScene::Bounds> AnatomyScene::bounds(std::span<const std::int64_t> indices) const
{
    return boxUnion(indices, false);
}

std::optional<AnatomyScene::Bounds> AnatomyScene::displacedBounds(std::span<const std::int64_t> indices) const
{
    return boxUnion(indices, true);
}

std::optional<Float3> AnatomyScene::raycast(Float3 origin, Float3 direction, std::int64_t index) const
{
    if (!inRange(index))
        return std::nullopt;
    Float3 o = origin - explodeOffset(index);
    const PackStructure& record = records_[static_cast<std::size_t>(index)];
    int level = record.resolvedLOD(0);
    std::uint64_t start = record.lodIndexStart(level);
    std::uint64_t count = record.lodIndexCount(level);
    auto indices = pack_->indices();
    auto vertices = pack_->vertices();
    if (count < 3 || start + count > indices.size())
        return std::nullopt;

    std::optional<float> nearest;
    for (std::uint64_t k = start; k + 3 <= start + count; k += 3) {
        std::uint32_t k0 = indices[k], k1 = indices[k + 1], k2 = indices[k + 2];
        if (k0 >= vertices.size() || k1 >= vertices.size() || k2 >= vertices.size())
            continue;
        Float3 p0 = vertices[k0].position();
        Float3 e1 = vertices[k1].position() - p0;
        Float3 e2 = vertices[k2].position() - p0;
        Float3 pv = cross(direction, e2);
        float det = dot(e1, pv);
        if (std::abs(det) < 1e-9f)
            continue;
        float inv = 1 / det;
        Float3 s = o - p0;
        float u = inv * dot(s, pv);
        if (u < -0.0001f || u > 1.0001f)
            continue;
        Float3 q = cross(s, e1);
        float v = inv * dot(direction, q);
        if (v < -0.0001f || u + v > 1.0001f)
            continue;
        float d = inv * dot(e2, q);
        if (d > 0.001f && (!nearest || d < *nearest))
            nearest = d;
    }
    if (!nearest)
        return std::nullopt;
    return origin + direction * *nearest;
}

std::array<float4, 6> AnatomyScene::frustumPlanes(const float4x4& m)
{
    float4 row0 = m.row(0), row1 = m.row(1), row2 = m.row(2), row3 = m.row(3);
    // Depth runs from 0 to 1, so the near plane is row 2 alone.
    std::array<float4, 6> planes {row3 + row0, row3 - row0, row3 + row1, row3 - row1, row2, row3 - row2};
    for (float4& plane : planes) {
        float len = length(plane.xyz());
        if (len > 1e-9f)
            plane = plane / len;
    }
    return planes;
}

} // namespace morvena
