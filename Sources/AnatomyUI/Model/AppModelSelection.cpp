#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/BodyRegion.h"
#include "AnatomyCore/Laterality.h"
#include "AnatomyCore/MeshPack.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"

#include <algorithm>

namespace morvena {

namespace {

// The inspector shows at most this many cards.
constexpr std::size_t maximumCards = 12;

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

} // namespace

void AppModel::viewportReady(const std::shared_ptr<ViewportHandle>& view)
{
    metalView_ = view;
    if (renderer_)
        renderer_->setDarkBackground(darkBackground_);
    if (!cameraIsPlaced_) {
        frameAll();
        return;
    }
    if (!selectedIndices_.empty())
        if (auto* renderer = currentRenderer())
            renderer->frameStructures(selectedIndices_, aspect(), true);
    redraw();
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

void AppModel::selectConcept(std::string_view conceptID, bool exclusive)
{
    if (!db_ || !scene_)
        return;
    auto indices = db_->meshIndicesOfConcept(conceptID);
    if (indices.empty())
        if (auto row = db_->structure(conceptID); row && row->meshIndex)
            indices.push_back(*row->meshIndex);
    if (indices.empty())
        return;
    auto selected = exclusive ? std::vector<std::int64_t> {} : selectedIndices_;
    for (auto index : indices)
        if (std::find(selected.begin(), selected.end(), index) == selected.end())
            selected.push_back(index);
    setSelectedIndices(std::move(selected));
    refreshSelectionCards();
    auto systems = visibleSystems_;
    for (auto index : indices) {
        systems.insert(scene_->system(index));
        scene_->hidden.erase(index);
    }
    assign(visibleSystems_, std::move(systems), Field::visibleSystems);
    scene_->visibleSystems = visibleSystems_;
    redraw();
}

std::optional<AnatomyStructure> AppModel::structure(std::int64_t index) const
{
    if (!pack_ || !db_ || index < 0 || index >= static_cast<std::int64_t>(pack_->structureCount()))
        return std::nullopt;
    auto card = db_->structure(pack_->conceptID(index));
    if (!card)
        return packCard(*pack_, index);
    if (!card->meshIndex)
        card->meshIndex = index;
    return card;
}

void AppModel::setSelectedIndices(std::vector<std::int64_t> indices)
{
    assign(selectedIndices_, std::move(indices), Field::selectedIndices);
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
    std::string note;
    if (!selection_.empty() && db_)
        note = db_->note(selection_.front().conceptID).value_or(std::string());
    assign(noteDraft_, std::move(note), Field::noteDraft);
}

} // namespace morvena
