#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Model/Laterality.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyUI/Model/ShownText.h"

#include <algorithm>

namespace morvena {

namespace {

// The inspector shows at most this many cards.
constexpr std::size_t maximumCards = 12;
// Pixels around the pointer searched for a structure; the renderer widens a missed
// click to 16 by itself.
constexpr int clickTolerance = 7;
constexpr int hoverTolerance = 3;
// A measurement is the distance between two points; a further point starts a new one.
constexpr std::size_t pointsPerMeasurement = 2;

// A card for a structure the database does not know, from the pack alone.
AnatomyStructure packCard(const MeshPack& pack, std::int64_t index)
{
    const auto& record = pack.structures()[static_cast<std::size_t>(index)];
    AnatomyStructure card;
    card.conceptID = pack.conceptID(index);
    card.meshIndex = index;
    card.nameEN = pack.name(index);
    card.system = anatomySystem(record.system).value_or(AnatomySystem::unclassified);
    card.region = bodyRegion(record.region).value_or(BodyRegion::unknown);
    card.laterality = laterality(record.laterality).value_or(Laterality::unpaired);
    return card;
}

bool inPack(const MeshPack& pack, std::int64_t index)
{
    return index >= 0 && index < static_cast<std::int64_t>(pack.structureCount());
}

// Pixels per point; a broken report counts as 1 rather than dividing by zero.
double backingScale(const ViewportHandle& view)
{
    const double scale = view.backingScale ? view.backingScale() : 1;
    return scale > 0 ? scale : 1;
}

void appendMissing(std::vector<std::int64_t>& list, std::span<const std::int64_t> indices)
{
    for (auto index : indices)
        if (std::find(list.begin(), list.end(), index) == list.end())
            list.push_back(index);
}

} // namespace

void AppModel::viewportReady(const std::shared_ptr<ViewportHandle>& view)
{
    // A view made for an earlier dataset's renderer reports too late to be this one's.
    if (!view || !isCurrentView(*view))
        return;
    metalView_ = view;
    currentRenderer()->setDarkBackground(darkBackground_);
    if (!cameraIsPlaced_) {
        frameAll();
        return;
    }
    if (!selectedIndices_.empty())
        currentRenderer()->frameStructures(selectedIndices_, aspect(), true);
    redraw();
}

bool AppModel::isCurrentView(const ViewportHandle& view) const
{
    return renderer_ && view.renderer.lock() == renderer_;
}

void AppModel::frameAll()
{
    if (auto* renderer = currentRenderer())
        renderer->frameAll(aspect(), true);
    redraw();
}

void AppModel::focusSelection()
{
    auto* renderer = currentRenderer();
    if (!renderer || selectedIndices_.empty())
        return;
    renderer->frameStructures(selectedIndices_, aspect(), true);
    redraw();
}

void AppModel::handleSelect(float2 point, PointerModifier modifier)
{
    auto view = metalView_.lock();
    if (!renderer_ || !view)
        return;
    auto hit = pickAt(*view, point, clickTolerance);
    if (measureMode_ && hit && scene_ && placeMeasuringPoint(*view, point, *hit))
        return;
    select(hit, modifier);
}

void AppModel::handleDoubleClick(float2 point)
{
    auto view = metalView_.lock();
    if (!renderer_ || !view)
        return;
    auto hit = pickAt(*view, point, clickTolerance);
    if (!hit)
        return;
    select(hit, PointerModifier::none);
    currentRenderer()->frameStructures(std::span(&*hit, 1), aspect(), true);
    redraw();
}

void AppModel::handleHover(std::optional<float2> point)
{
    auto view = metalView_.lock();
    if (!showLabels_ || !renderer_ || !view || !point) {
        clearHover();
        return;
    }
    auto hit = pickAt(*view, *point, hoverTolerance);
    if (!hit) {
        clearHover();
        return;
    }
    const double scale = backingScale(*view);
    assign(hoveredPoint_, std::optional(Point {point->x / scale, point->y / scale}), Field::hoveredPoint);
    assign(hoveredLabel_, hoverLabel(*hit), Field::hoveredLabel);
}

void AppModel::clearHover()
{
    if (!hoveredLabel_)
        return;
    assign(hoveredLabel_, {}, Field::hoveredLabel);
    assign(hoveredPoint_, {}, Field::hoveredPoint);
}

std::optional<std::string> AppModel::hoverLabel(std::int64_t index) const
{
    if (auto card = structure(index))
        return card->displayName();
    if (pack_ && inPack(*pack_, index))
        return ShownText::nameOr(pack_->name(index), pack_->conceptID(index));
    return std::nullopt;
}

// Picks read the view's drawable, so its context is the one made current.
std::optional<std::int64_t> AppModel::pickAt(const ViewportHandle& view, float2 point, int tolerance)
{
    if (view.makeCurrent)
        view.makeCurrent();
    else
        services_.makeCurrent();
    return renderer_->pick(point, view.drawableSize(), tolerance);
}

bool AppModel::placeMeasuringPoint(const ViewportHandle& view, float2 point, std::int64_t index)
{
    const auto scale = static_cast<float>(backingScale(view));
    auto ray = renderer_->camera().ray({point.x / scale, point.y / scale}, view.boundsSize());
    auto surface = scene_->raycast(ray.origin, ray.direction, index);
    if (!surface)
        return false;
    auto points = measurePoints_.size() >= pointsPerMeasurement ? std::vector<Float3> {} : measurePoints_;
    points.push_back(*surface);
    assign(measurePoints_, std::move(points), Field::measurePoints);
    redraw();
    return true;
}

void AppModel::select(std::optional<std::int64_t> meshIndex, PointerModifier modifier)
{
    if (!scene_)
        return;
    if (!meshIndex) {
        if (modifier == PointerModifier::none)
            clearSelection();
        return;
    }
    auto indices = selectedIndices_;
    switch (modifier) {
    case PointerModifier::none:
        indices = {*meshIndex};
        break;
    case PointerModifier::additive:
        appendMissing(indices, std::span(&*meshIndex, 1));
        break;
    case PointerModifier::subtractive:
        std::erase(indices, *meshIndex);
        break;
    }
    setSelectedIndices(std::move(indices));
    refreshSelectionCards();
    redraw();
}

void AppModel::clearSelection()
{
    assign(selectedIndices_, {}, Field::selectedIndices);
    assign(selection_, {}, Field::selection);
    if (scene_)
        scene_->selected.clear();
    redraw();
}

void AppModel::selectConcept(std::string_view conceptID, bool exclusive)
{
    if (!db_ || !scene_)
        return;
    auto indices = structuresOfConcept(conceptID);
    if (indices.empty())
        return;
    auto selected = exclusive ? std::vector<std::int64_t> {} : selectedIndices_;
    appendMissing(selected, indices);
    setSelectedIndices(std::move(selected));
    refreshSelectionCards();
    revealStructures(indices);
    redraw();
}

// The concept's structures in database order; indices the pack does not have are
// the database's mistake and name nothing.
std::vector<std::int64_t> AppModel::structuresOfConcept(std::string_view conceptID) const
{
    auto indices = db_->meshIndicesOfConcept(conceptID);
    std::erase_if(indices, [this](std::int64_t index) { return !inPack(*pack_, index); });
    if (indices.empty())
        if (auto row = db_->structure(conceptID); row && row->meshIndex && inPack(*pack_, *row->meshIndex))
            indices.push_back(*row->meshIndex);
    return indices;
}

void AppModel::revealStructures(const std::vector<std::int64_t>& indices)
{
    auto systems = visibleSystems_;
    for (auto index : indices) {
        systems.insert(scene_->system(index));
        scene_->hidden.erase(index);
    }
    assign(visibleSystems_, std::move(systems), Field::visibleSystems);
    scene_->visibleSystems = visibleSystems_;
    recountHidden();
}

std::optional<AnatomyStructure> AppModel::structure(std::int64_t index) const
{
    if (!pack_ || !db_ || !inPack(*pack_, index))
        return std::nullopt;
    auto card = db_->structure(pack_->conceptID(index));
    if (!card)
        return ShownText::card(packCard(*pack_, index));
    // A row may name another index (a damaged or older database): the card stands
    // for the structure it was asked for, so its actions reach that one.
    card->meshIndex = index;
    return ShownText::card(std::move(*card));
}

void AppModel::setSelectedIndices(std::vector<std::int64_t> indices)
{
    std::vector<std::int64_t> distinct;
    appendMissing(distinct, indices);
    assign(selectedIndices_, std::move(distinct), Field::selectedIndices);
    if (scene_)
        scene_->selected.assign(selectedIndices_);
}

void AppModel::refreshSelectionCards()
{
    std::vector<AnatomyStructure> cards;
    const auto count = std::min(selectedIndices_.size(), maximumCards);
    for (std::size_t i = 0; i < count; ++i)
        if (auto card = structure(selectedIndices_[i]))
            cards.push_back(std::move(*card));
    assign(selection_, std::move(cards), Field::selection);
    switchNoteDraft(selection_.empty() ? std::nullopt : std::optional(selection_.front().conceptID));
}

// The note being written belongs to the first card's concept. It follows that
// concept: a click that keeps the first card keeps the text, and text left unsaved
// on another concept comes back when that concept is first again.
void AppModel::switchNoteDraft(const std::optional<std::string>& conceptID)
{
    if (conceptID && conceptID == draftConceptID_)
        return;
    auto stored = [this](const std::string& id) {
        return db_ ? db_->note(id).value_or(std::string()) : std::string();
    };
    if (draftConceptID_) {
        const auto typed = std::string(UnicodeText::trimmingBlanksAndLineBreaks(noteDraft_));
        if (AppModelValues::same(typed, stored(*draftConceptID_)))
            unsavedNotes_.erase(*draftConceptID_);
        else
            unsavedNotes_.insert_or_assign(*draftConceptID_, noteDraft_);
    }
    draftConceptID_ = conceptID;
    std::string note;
    if (conceptID) {
        note = stored(*conceptID);
        if (auto unsaved = unsavedNotes_.find(*conceptID); unsaved != unsavedNotes_.end()) {
            note = std::move(unsaved->second);
            unsavedNotes_.erase(unsaved);
        }
    }
    assign(noteDraft_, std::move(note), Field::noteDraft);
}

void AppModel::forgetNoteDrafts()
{
    draftConceptID_.reset();
    unsavedNotes_.clear();
}

} // namespace morvena
