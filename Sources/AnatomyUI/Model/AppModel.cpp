#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyUI/Model/ShownText.h"

#include <algorithm>
#include <stdexcept>

namespace morvena {

namespace {

constexpr std::int64_t searchResultLimit = 80;
// Shorter queries would match most of the body.
constexpr std::size_t shortestSearch = 2;
// Used when there is no view to measure, or it has no height yet.
constexpr float fallbackAspect = 1.4f;

QPointer<AppModel>& currentModel()
{
    static QPointer<AppModel> model;
    return model;
}

} // namespace

std::optional<std::string> AppModel::selectOnLaunch;

QPointer<AppModel> AppModel::current()
{
    return currentModel();
}

AppModel::AppModel(AppModelServices services, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
{
    if (!services_.makeRenderer || !services_.makeCurrent)
        throw std::invalid_argument("AppModel needs makeRenderer and makeCurrent");
    if (!services_.now)
        services_.now = [] { return std::chrono::system_clock::now(); };
    const auto& settings = preferences();
    ghostOthers_ = settings.ghostOthersOnSelect();
    lodBias_ = settings.lodBias();
    quality_ = renderQuality(settings.renderQuality()).value_or(RenderQuality::standard);
    backgroundPalette_
        = morvena::backgroundPalette(settings.backgroundPalette()).value_or(BackgroundPalette::neutro);
    showLabels_ = settings.showLabels();
    darkBackground_ = settings.darkBackground();
    showEyesAndTeeth_ = settings.showEyesAndTeeth();
    lastViewDatasetID_ = settings.lastDatasetID();
    visibleSystems_ = defaultVisibleSystems();
    refreshInstalledDatasets(); // nothing is connected yet to hear of it
    // A structure no longer drawn, or moved, must not stay named under a still pointer:
    // the label goes, and the pointer's next move picks again.
    whenChanged({Field::visibleSystems, Field::isolationActive, Field::hiddenCount, Field::layerDepthMin,
                    Field::clipEnabled, Field::clipAxis, Field::clipOffset, Field::clipFlipped,
                    Field::showEyesAndTeeth, Field::explode},
        this, [this] { clearHover(); });
    currentModel() = this;
}

AppModel::~AppModel()
{
    // Before QObject's own destructor, which drops the results still queued.
    stopJobs();
}

void AppModel::whenChanged(
    std::initializer_list<Field> fields, QObject* receiver, std::function<void()> redraw)
{
    connect(this, &AppModel::changed, receiver,
        [watched = std::vector<Field>(fields), redraw = std::move(redraw)](Field field) {
            if (std::ranges::find(watched, field) != watched.end())
                redraw();
        });
}

Preferences& AppModel::preferences() const
{
    return services_.preferences ? *services_.preferences : Preferences::shared();
}

void AppModel::setSearchText(std::string text)
{
    assign(searchText_, std::move(text), Field::searchText);
    runSearch();
}

void AppModel::setNoteDraft(std::string text)
{
    assign(noteDraft_, std::move(text), Field::noteDraft);
}

void AppModel::setShowStatistics(bool show)
{
    assign(showStatistics_, show, Field::showStatistics);
}

void AppModel::setShowLabels(bool show)
{
    assign(showLabels_, show, Field::showLabels);
}

void AppModel::setDarkBackground(bool dark)
{
    assign(darkBackground_, dark, Field::darkBackground);
}

void AppModel::setShowEyesAndTeeth(bool show)
{
    assign(showEyesAndTeeth_, show, Field::showEyesAndTeeth);
    applyAlwaysVisible();
}

void AppModel::setMeasureMode(bool measuring)
{
    assign(measureMode_, measuring, Field::measureMode);
}

void AppModel::runSearch()
{
    std::vector<AnatomyDB::SearchHit> results;
    if (db_) {
        auto query = UnicodeText::trimmingBlanksAndLineBreaks(searchText_);
        if (UnicodeText::characterCount(query) >= shortestSearch)
            results = ShownText::each(db_->search(query, searchResultLimit), ShownText::hit);
    }
    assign(searchResults_, std::move(results), Field::searchResults);
}

void AppModel::apply(SystemPreset preset)
{
    auto [systems, faded] = configuration(preset);
    auto present = withStructures(systems);
    assign(visibleSystems_, present.empty() ? std::move(systems) : std::move(present), Field::visibleSystems);
    assign(systemOpacity_, std::move(faded), Field::systemOpacity);
    applyToScene(visibleSystems_, systemOpacity_);
    assign(activePreset_, std::optional(preset), Field::activePreset);
    redraw();
}

std::set<AnatomySystem> AppModel::withStructures(const std::set<AnatomySystem>& systems) const
{
    std::set<AnatomySystem> present;
    for (auto system : systems)
        if (auto count = systemCounts_.find(system); count != systemCounts_.end() && count->second > 0)
            present.insert(system);
    return present;
}

void AppModel::applyToScene(
    const std::set<AnatomySystem>& systems, const std::map<AnatomySystem, float>& opacity)
{
    if (!scene_)
        return;
    scene_->visibleSystems = systems;
    scene_->systemOpacity = opacity;
}

void AppModel::redraw()
{
    if (auto view = metalView_.lock(); view && view->requestRedraw)
        view->requestRedraw();
}

float AppModel::aspect() const
{
    auto view = metalView_.lock();
    if (!view || !view->boundsSize)
        return fallbackAspect;
    auto size = view->boundsSize();
    return size.y > 1 ? size.x / size.y : fallbackAspect;
}

AnatomyRenderer* AppModel::currentRenderer()
{
    if (!renderer_)
        return nullptr;
    services_.makeCurrent();
    return renderer_.get();
}

} // namespace morvena
