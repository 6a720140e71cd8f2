#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyRender/ClipPlane.h"
#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/Math/Float4.h"
#include "AnatomyRender/Math/Float4x4.h"
#include "AnatomyRender/OrbitCamera.h"
#include "AnatomyRender/StructureOverrides.h"
#include "AnatomyRender/StructureProps.h"
#include "AnatomyRender/StructureSet.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

namespace morvena {

// The drawing state of one loaded geometry pack: which structures are shown, how
// opaque and in which colour, which are selected, isolated, hidden or ghosted, how
// far the body is exploded, where it is cut and how many layers are peeled away.
// Structures are named by their index in the pack. The owner edits the public
// fields directly; the renderer reads them through the draw plan each frame.
// Used on one thread; holds no GPU object.
class AnatomyScene {
public:
    // One indexed draw.
    struct DrawRange {
        std::int64_t indexStart = 0;
        std::int64_t indexCount = 0;
        // 0 for opaque and pick ranges; minus the squared eye distance for transparent ones.
        float sortKey = 0;

        bool operator==(const DrawRange&) const = default;
    };

    // The result of one planning pass.
    struct DrawPlan {
        // In structure order, back-to-back ranges merged (pick plan: one per pickable structure).
        std::vector<DrawRange> opaque;
        // Farthest first (pick plan: empty).
        std::vector<DrawRange> transparent;
        std::int64_t triangles = 0;
        std::int64_t visibleStructures = 0;
        std::int64_t culled = 0;
    };

    struct Bounds {
        Float3 min;
        Float3 max;

        bool operator==(const Bounds&) const = default;
    };

    AnatomyScene(std::shared_ptr<const MeshPack> pack, std::set<AnatomySystem> visibleSystems);
    AnatomyScene(const AnatomyScene&) = delete;
    AnatomyScene& operator=(const AnatomyScene&) = delete;

    const std::shared_ptr<const MeshPack>& pack() const { return pack_; }
    std::int64_t structureCount() const { return structureCount_; }

    std::set<AnatomySystem> visibleSystems;
    std::map<AnatomySystem, float> systemOpacity;
    StructureSet hidden;
    // Non-empty means isolation is on.
    StructureSet isolated;
    // Shown even when their system is off or their layer is peeled.
    StructureSet alwaysVisible;
    // In the order in which the selection was made.
    StructureSet selected;
    // In [0, 1]; set through setOpacity.
    StructureOverrides<float> structureOpacity;
    // Red, green, blue in 0..1, replacing the system colour.
    StructureOverrides<Float3> colorOverrides;
    // While something is selected, fade every unselected structure to at most ghostAlpha.
    bool ghostOthers = false;
    float ghostAlpha = 0.1f;
    float explode = 0;
    std::optional<ClipPlane> clip;
    // Structures whose system's layer depth is below this are peeled away.
    int layerDepthMin = 0;
    float lodBias = 1;
    bool frustumCulling = true;

    // Neutral values (unclassified, the zero vector, 0) for an index outside the pack.
    AnatomySystem system(std::int64_t index) const;
    Float3 center(std::int64_t index) const;
    float radius(std::int64_t index) const;
    // Where the structure is drawn relative to its pack position.
    Float3 explodeOffset(std::int64_t index) const;

    bool isVisible(std::int64_t index) const;
    // Base opacity before ghosting; 0 for an index outside the pack.
    float opacity(std::int64_t index) const;
    // A value within 0.001 of 1 removes the override; others are clamped to [0, 1].
    void setOpacity(float value, std::int64_t index);
    void toggleVisible(AnatomySystem system);
    // An empty list turns isolation off.
    void isolate(std::span<const std::int64_t> indices);
    void clearIsolation();
    // Back to the assembled, uncut, unfaded body; keeps the selection, alwaysVisible,
    // ghostAlpha, lodBias and frustumCulling.
    void reset(std::set<AnatomySystem> visibleSystems);
    // Structures that are visible with an opacity above 0.002, before ghosting and culling.
    std::int64_t visibleStructureCount() const;

    // The draw plan of one frame: fills props (at least structureCount records,
    // else std::invalid_argument) and returns the ranges to draw. viewSize is the
    // drawable's size in pixels. The second form reuses the plan's storage.
    DrawPlan buildFrame(const OrbitCamera& camera, float2 viewSize, std::span<StructureProps> props);
    void buildFrame(
        const OrbitCamera& camera, float2 viewSize, std::span<StructureProps> props, DrawPlan& plan);
    // The structures that can lie under the cursor (pixels, origin top left), without
    // ghosting, culling or merging.
    DrawPlan buildPickFrame(const OrbitCamera& camera, float2 viewSize, float2 cursor, float tolerance,
        std::span<StructureProps> props) const;

    // The union of the listed structures' pack boxes, explode not applied; none when
    // no listed index lies in the pack.
    std::optional<Bounds> bounds(std::span<const std::int64_t> indices) const;
    // The union of the listed structures' boxes where they are drawn, each moved by
    // its own explode offset: what framing a selection of an exploded body needs.
    std::optional<Bounds> displacedBounds(std::span<const std::int64_t> indices) const;
    // The nearest hit of a ray on the structure's finest level as drawn (displaced).
    std::optional<Float3> raycast(Float3 origin, Float3 direction, std::int64_t index) const;
    // Left, right, bottom, top, near, far; a point p is inside when dot(xyz, p) + w ≥ 0.
    static std::array<float4, 6> frustumPlanes(const float4x4& viewProjection);

private:
    struct SystemRule {
        bool shown = false;
        bool peeled = false;
        bool hasOpacity = false;
        float opacity = 1;
    };
    using SystemRules = std::array<SystemRule, anatomySystemCount>;

    // What planning needs of the camera and the drawable, computed once per pass.
    struct FrameView {
        float4x4 viewProjection;
        Float3 eye;
        float pixelScale = 0; // pixels per unit of size at distance 1
        float lodScale = 0; // pixelScale × the level-of-detail bias
    };

    // One structure as seen from the eye.
    struct Placement {
        Float3 center; // displaced
        float radius = 0;
        float distance = 0;
    };

    struct TransparentEntry {
        float sortKey;
        std::int64_t index;
        DrawRange range;
    };

    bool inRange(std::int64_t index) const { return index >= 0 && index < structureCount_; }
    SystemRules systemRules() const;
    bool isVisible(std::int64_t index, const SystemRules& rules) const;
    float opacity(std::int64_t index, const SystemRules& rules) const;
    FrameView frameView(const OrbitCamera& camera, float2 viewSize) const;
    Placement placement(std::int64_t index, Float3 eye) const;
    DrawRange levelRange(std::int64_t index, const Placement& placed, const FrameView& view) const;
    void writeProps(StructureProps& props, std::int64_t index, float alpha, bool selectedFlag) const;
    void requireProps(std::span<StructureProps> props) const;
    std::optional<Bounds> boxUnion(std::span<const std::int64_t> indices, bool displaced) const;

    std::shared_ptr<const MeshPack> pack_;
    std::span<const PackStructure> records_;
    std::int64_t structureCount_ = 0;
    // Per system raw value: base colour and surface material, fixed for the scene's life.
    std::array<Float3, anatomySystemCount> systemColors_;
    std::array<float4, anatomySystemCount> systemMaterials_;
    std::vector<AnatomySystem> systemOf_;
    std::vector<Float3> centers_;
    std::vector<float> radii_;
    std::vector<Float3> explodeDirections_;
    // Reused by every frame so that sorting the transparent ranges allocates nothing.
    std::vector<TransparentEntry> transparentScratch_;
};

} // namespace morvena
