#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetCheck.h"
#include "AnatomyCore/Storage/FolderSwap.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyCore/Support/FailureText.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/RendererError.h"
#include "AnatomyUI/Model/ShownText.h"

#include <QMetaObject>

#include <algorithm>
#include <exception>

namespace morvena {

namespace {

// Shown when something other than our own error types stops a load.
constexpr const char* unexpectedLoadFailure = "Apertura del dataset non riuscita.";

} // namespace

void AppModel::bootstrap()
{
    if (isWritingDataset())
        return; // the job loads what it wrote when it ends
    refreshInstalledDatasets();
    const auto lastID = preferences().lastDatasetID();
    auto last = std::find_if(installedDatasets_.begin(), installedDatasets_.end(),
        [&lastID](const DatasetManifest& manifest) { return manifest.id == lastID; });
    if (last != installedDatasets_.end())
        load(last->id);
    else if (!installedDatasets_.empty())
        load(installedDatasets_.front().id);
    else
        assign(phase_, Phase {NoDataset {}}, Field::phase);
}

void AppModel::refreshInstalledDatasets()
{
    auto installed = DatasetManifest::scanInstalled();
    assign(unreadableDatasetsNotice_, installed.notice(), Field::installedDatasets);
    assign(installedDatasets_, ShownText::each(std::move(installed.manifests), ShownText::manifest),
        Field::installedDatasets);
}

void AppModel::load(const std::string& datasetID)
{
    if (isWritingDataset())
        return; // the job loads what it wrote when it ends
    assign(phase_, Phase {Loading {}}, Field::phase);
    OpenedDataset opened;
    try {
        opened = openDataset(datasetID);
    } catch (const std::exception& error) {
        // The previous dataset stays loaded and usable; `opened` releases the new objects.
        assign(phase_, Phase {Failed {FailureText::of(error)}}, Field::phase);
        return;
    } catch (...) {
        assign(phase_, Phase {Failed {unexpectedLoadFailure}}, Field::phase);
        return;
    }
    replaceDataset(std::move(opened));
    auto manifest = DatasetManifest::read(AppPaths::manifestURL(datasetID));
    assign(manifest_, manifest ? std::optional(ShownText::manifest(std::move(*manifest))) : std::nullopt,
        Field::manifest);
    assign(systemCounts_, db_->countsBySystem(true), Field::systemCounts);
    showDefaultSystems();
    configureScene();
    assign(treeRoots_, ShownText::each(db_->roots(rawValue(treeKind_)), ShownText::node), Field::treeRoots);
    resolveAlwaysVisible();
    refreshBookmarks();
    assign(savedViews_, db_->savedViews(), Field::savedViews);
    preferences().setLastDatasetID(datasetID);
    assign(phase_, Phase {Ready {}}, Field::phase);
    cameraIsPlaced_ = false;
    restoreLastView(datasetID);
    selectLaunchConcept();
    redraw();
}

AppModel::OpenedDataset AppModel::openDataset(const std::string& datasetID)
{
    FolderSwap::putBackWhereFree(AppPaths::datasetsDirectory());
    OpenedDataset opened;
    opened.pack = std::make_shared<MeshPack>(AppPaths::packURL(datasetID));
    // An installed dataset's database must already exist: opening never creates one.
    opened.db = std::make_shared<AnatomyDB>(
        AppPaths::databaseURL(datasetID), AnatomyDB::OpenMode::readWriteExisting);
    // On the main thread: the bounds, not every vertex, and the database's verdict.
    DatasetCheck::require(*opened.pack, *opened.db, AppPaths::datasetDirectory(datasetID), datasetID,
        DatasetCheck::Depth::bounds);
    opened.scene = std::make_shared<AnatomyScene>(opened.pack, defaultVisibleSystems());
    opened.renderer = services_.makeRenderer(opened.pack, opened.scene);
    if (!opened.renderer)
        throw RendererError::noDevice();
    services_.makeCurrent();
    auto& renderer = *opened.renderer;
    renderer.setQuality(renderQuality(preferences().renderQuality()).value_or(RenderQuality::standard));
    renderer.setDarkBackground(darkBackground_);
    renderer.setBackgroundPalette(backgroundPalette_);
    installStatsCallback(renderer, generation_ + 1);
    return opened;
}

// The renderer reports from inside a paint; the values reach the model only by a
// queued call, and only while the model lives and this renderer is still its own.
void AppModel::installStatsCallback(AnatomyRenderer& renderer, std::uint64_t generation)
{
    renderer.setOnStats([model = QPointer<AppModel>(this), generation](const RenderStats& stats) {
        if (!model)
            return;
        QMetaObject::invokeMethod(
            model.data(),
            [model, generation, stats] {
                if (model && model->generation_ == generation)
                    model->assign(model->stats_, stats, Field::stats);
            },
            Qt::QueuedConnection);
    });
}

void AppModel::replaceDataset(OpenedDataset opened)
{
    // Everything that names structures of the old pack goes while that pack and
    // its database still exist, so no observer sees indices of one dataset
    // against the objects of another.
    clearDatasetState();
    auto& scene = *opened.scene;
    scene.systemOpacity = systemOpacity_;
    scene.explode = explode_;
    scene.layerDepthMin = layerDepthMin_;
    pack_ = std::move(opened.pack);
    db_ = std::move(opened.db);
    scene_ = std::move(opened.scene);
    renderer_ = std::move(opened.renderer);
    ++generation_;
    // The view around the old renderer is rebuilt by the window; until it reports
    // ready again the model neither redraws nor frames through it.
    metalView_.reset();
    emit changed(Field::renderer);
}

void AppModel::clearDatasetState()
{
    assign(selectedIndices_, {}, Field::selectedIndices);
    assign(selection_, {}, Field::selection);
    assign(noteDraft_, {}, Field::noteDraft);
    forgetNoteDrafts();
    assign(hoveredLabel_, {}, Field::hoveredLabel);
    assign(hoveredPoint_, {}, Field::hoveredPoint);
    assign(hiddenCount_, std::int64_t {0}, Field::hiddenCount);
    assign(isolationActive_, false, Field::isolationActive);
    assign(measurePoints_, {}, Field::measurePoints);
    // The offset is in the old body's millimetres; the chosen axis still applies.
    assign(clipEnabled_, false, Field::clipEnabled);
    assign(clipOffset_, 0.0f, Field::clipOffset);
    assign(clipFlipped_, false, Field::clipFlipped);
    assign(stats_, RenderStats {}, Field::stats);
}

void AppModel::showDefaultSystems()
{
    // Unlike a preset, no fallback: a dataset without them shows nothing at first.
    auto shown = withStructures(defaultVisibleSystems());
    // Like any change of systems not made by a preset, this one ends the preset.
    if (shown != visibleSystems_)
        assign(activePreset_, std::optional<SystemPreset> {}, Field::activePreset);
    assign(visibleSystems_, std::move(shown), Field::visibleSystems);
}

void AppModel::configureScene()
{
    scene_->visibleSystems = visibleSystems_;
    scene_->ghostOthers = ghostOthers_;
    scene_->ghostAlpha = std::clamp(preferences().ghostOpacity(), 0.0f, 1.0f);
    scene_->lodBias = lodBias_;
}

// The remembered view is one for all datasets. Its camera and clip plane are
// places in the body it was saved from, so they are put back only into that
// dataset; elsewhere the body is framed whole.
void AppModel::restoreLastView(const std::string& datasetID)
{
    auto state = preferences().lastViewState();
    if (!state)
        return;
    const bool sameDataset = datasetID == lastViewDatasetID_;
    if (sameDataset)
        restoreCamera(*state);
    restoreStructures(*state);
    restoreSettings(*state, sameDataset);
    redraw();
    cameraIsPlaced_ = sameDataset;
}

void AppModel::selectLaunchConcept()
{
    if (!selectOnLaunch)
        return;
    selectConcept(*selectOnLaunch, true);
    if (selectedIndices_.empty())
        return;
    focusSelection();
    cameraIsPlaced_ = true;
}

} // namespace morvena
