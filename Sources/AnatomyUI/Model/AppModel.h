#pragma once

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Download/DatasetDownload.h"
#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomyStructure.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/AnatomyViewState.h"
#include "AnatomyCore/Model/TaxonomyNode.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/ImportProgress.h"
#include "AnatomyRender/BackgroundPalette.h"
#include "AnatomyRender/ClipPlane.h"
#include "AnatomyRender/KeyModifiers.h"
#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/OrbitCamera.h"
#include "AnatomyRender/PointerModifier.h"
#include "AnatomyRender/RenderQuality.h"
#include "AnatomyRender/RenderStats.h"
#include "AnatomyUI/Model/AppModelServices.h"
#include "AnatomyUI/Model/SystemPreset.h"
#include "AnatomyUI/Model/TreeKind.h"
#include "AnatomyUI/Model/ViewportHandle.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <concepts>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

namespace morvena {

class AnatomyRenderer;
class AnatomyScene;
class MeshPack;
class Preferences;

// The viewer's one application model: it owns the loaded dataset (pack, database,
// scene, renderer) and every piece of state the window shows, and carries out the
// user's actions. Views read its properties, call its operations and refresh what
// a `changed(field)` touches. Everything runs on the GUI thread.
//
// Notification rule: assigning a property an equal value stores it silently; a
// different value is stored and then `changed` is emitted once. `phase`, `catalog`
// and `stats` notify on every assignment.
class AppModel : public QObject {
    Q_OBJECT

public:
    // One value per observed property, plus `renderer`: the four dataset objects
    // were replaced, so a view around the old renderer must be rebuilt.
    enum class Field {
        phase,
        manifest,
        installedDatasets,
        catalog,
        catalogError,
        isLoadingCatalog,
        downloadStage,
        availableUpdate,
        renderer,
        visibleSystems,
        systemOpacity,
        systemCounts,
        explode,
        layerDepthMin,
        ghostOthers,
        clipEnabled,
        clipAxis,
        clipOffset,
        clipFlipped,
        isolationActive,
        hiddenCount,
        lodBias,
        quality,
        backgroundPalette,
        showStatistics,
        showLabels,
        darkBackground,
        selection,
        selectedIndices,
        hoveredLabel,
        hoveredPoint,
        searchText,
        searchResults,
        bookmarks,
        savedViews,
        noteDraft,
        activePreset,
        treeKind,
        treeRoots,
        measureMode,
        measurePoints,
        stats,
        lastMessage,
        alwaysVisibleCount,
        showEyesAndTeeth,
        alwaysVisibleIndices,
        exportedImageURL,
    };
    Q_ENUM(Field)

    // What the window's detail area shows.
    struct NoDataset { };
    struct Loading { };
    struct Importing {
        double fraction = 0; // 0 to 1
        std::string message;
    };
    struct Ready { };
    struct Failed {
        std::string message;
    };
    using Phase = std::variant<NoDataset, Loading, Importing, Ready, Failed>;

    using SystemPreset = morvena::SystemPreset;
    using TreeKind = morvena::TreeKind;
    using Point = std::pair<double, double>;

    // A concept selected by every successful load of the process (ANATOMY_SELECT,
    // the snapshot's --select); never cleared.
    static std::optional<std::string> selectOnLaunch;
    // The most recently constructed model while it lives.
    static QPointer<AppModel> current();

    // Reads the settings and the installed datasets; opens nothing. Throws
    // std::invalid_argument when makeRenderer or makeCurrent is missing.
    explicit AppModel(AppModelServices services, QObject* parent = nullptr);
    ~AppModel() override;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // Loads the last used dataset when it is still installed, else the most
    // recently imported one; with none installed the phase becomes noDataset.
    void bootstrap();
    // The one way a dataset becomes the loaded one. Never throws: a failure puts
    // the model in the failed phase and keeps the previous dataset loaded.
    void load(const std::string& datasetID);

    // Shows the preset's systems that the dataset has (all of them when it has none).
    void apply(SystemPreset preset);
    // Asks the viewport, if one is attached, for one frame.
    void redraw();

    // The viewport view around the current renderer exists and has its size.
    void viewportReady(const std::shared_ptr<ViewportHandle>& view);
    void frameAll();
    void focusSelection();
    // Selects the structures of a concept; exclusive replaces the selection,
    // otherwise they are appended to it. Makes their systems visible and unhides them.
    void selectConcept(std::string_view conceptID, bool exclusive);
    // The card of one structure: its database row, or one made from the pack.
    std::optional<AnatomyStructure> structure(std::int64_t index) const;
    // Puts a view state back: camera, systems, opacities, hidden, isolated and
    // selected structures, clip plane, explode and ghosting.
    void apply(const AnatomyViewState& state);

    // ---- Selection and picking (AppModelSelection.cpp). Points are drawable pixels.
    // A click; the modifier adds to or removes from the selection. In measuring mode
    // a click on a structure places a measuring point instead.
    void handleSelect(float2 point, PointerModifier modifier);
    // Selects the structure under the point alone and frames it.
    void handleDoubleClick(float2 point);
    // The pointer moved to the point, or left the view (none).
    void handleHover(std::optional<float2> point);
    // Changes the selection by one pick result.
    void select(std::optional<std::int64_t> meshIndex, PointerModifier modifier);
    // Empties the selection; the note being written stays.
    void clearSelection();
    // The first card of the selection.
    const AnatomyStructure* primary() const { return selection_.empty() ? nullptr : &selection_.front(); }

    // ---- Display operations (AppModelDisplay.cpp). Each keeps the model's value and
    // the scene's or renderer's in step, stores what is remembered and redraws.
    void setVisible(bool visible, AnatomySystem system);
    void setOnly(AnatomySystem system);
    // Every system the dataset has structures of.
    void showAllSystems();
    void setOpacity(float opacity, AnatomySystem system);
    // A structure's own opacity, clamped to 0...1; within 0.001 of 1 removes it.
    void setStructureOpacity(float opacity, std::int64_t index);
    // What the structure is drawn with before ghosting; 1 without a dataset.
    float structureOpacity(std::int64_t index) const;
    // The structure's own opacity, none when it follows its system (or without a dataset).
    std::optional<float> ownStructureOpacity(std::int64_t index) const;
    void setLayerDepthMin(int depth);
    void setGhostOthers(bool ghost);
    void setExplode(float amount);
    void setQuality(RenderQuality quality);
    // A light palette; turns the dark background off.
    void setBackgroundPalette(BackgroundPalette palette);
    void setLODBias(float bias);
    // Each given value replaces the model's; the plane is drawn while enabled.
    void setClip(std::optional<bool> enabled, std::optional<ClipAxis> axis = std::nullopt,
        std::optional<float> offset = std::nullopt, std::optional<bool> flipped = std::nullopt);
    void isolateSelection();
    void clearIsolation();
    void hideSelection();
    void showHidden();
    // Back to the assembled body of the default systems, framed whole.
    void resetAll();
    // Turns the camera to an anatomical view, animated.
    void apply(CameraPreset preset);
    // The Italian name of the anatomical view nearest to the camera; "—" without one.
    std::string orientationLabel() const;
    // Removes the measuring points.
    void clearMeasurement();

    // ---- Viewport keys (AppModelKeys.cpp). The key's text in lower case; the
    // modifiers do not change what a key does. True when the key is a command.
    bool handleKey(std::string_view key, KeyModifiers modifiers);

    // The loaded dataset; all null before the first successful load.
    const std::shared_ptr<MeshPack>& pack() const { return pack_; }
    const std::shared_ptr<AnatomyDB>& db() const { return db_; }
    const std::shared_ptr<AnatomyScene>& scene() const { return scene_; }
    const std::shared_ptr<AnatomyRenderer>& renderer() const { return renderer_; }
    // The viewport view the model draws into, while it still holds one.
    std::shared_ptr<ViewportHandle> metalView() const { return metalView_.lock(); }

    // Observed properties.
    const Phase& phase() const { return phase_; }
    const std::optional<DatasetManifest>& manifest() const { return manifest_; }
    const std::vector<DatasetManifest>& installedDatasets() const { return installedDatasets_; }
    // Names the folders under the datasets folder that could not be read as a
    // dataset, with the command that removes the misnamed ones on its own;
    // notified with installedDatasets.
    const std::optional<DatasetManifest::Installed::Notice>& unreadableDatasetsNotice() const
    {
        return unreadableDatasetsNotice_;
    }
    const std::optional<DatasetCatalog>& catalog() const { return catalog_; }
    const std::optional<std::string>& catalogError() const { return catalogError_; }
    bool isLoadingCatalog() const { return isLoadingCatalog_; }
    const std::optional<DatasetDownload::Stage>& downloadStage() const { return downloadStage_; }
    const std::optional<DatasetCatalog::AppRelease>& availableUpdate() const { return availableUpdate_; }
    const std::set<AnatomySystem>& visibleSystems() const { return visibleSystems_; }
    const std::map<AnatomySystem, float>& systemOpacity() const { return systemOpacity_; }
    const std::map<AnatomySystem, std::int64_t>& systemCounts() const { return systemCounts_; }
    float explode() const { return explode_; }
    int layerDepthMin() const { return layerDepthMin_; }
    bool ghostOthers() const { return ghostOthers_; }
    bool clipEnabled() const { return clipEnabled_; }
    ClipAxis clipAxis() const { return clipAxis_; }
    float clipOffset() const { return clipOffset_; }
    bool clipFlipped() const { return clipFlipped_; }
    bool isolationActive() const { return isolationActive_; }
    std::int64_t hiddenCount() const { return hiddenCount_; }
    float lodBias() const { return lodBias_; }
    RenderQuality quality() const { return quality_; }
    BackgroundPalette backgroundPalette() const { return backgroundPalette_; }
    bool showStatistics() const { return showStatistics_; }
    bool showLabels() const { return showLabels_; }
    bool darkBackground() const { return darkBackground_; }
    const std::vector<AnatomyStructure>& selection() const { return selection_; }
    const std::vector<std::int64_t>& selectedIndices() const { return selectedIndices_; }
    const std::optional<std::string>& hoveredLabel() const { return hoveredLabel_; }
    const std::optional<Point>& hoveredPoint() const { return hoveredPoint_; }
    const std::string& searchText() const { return searchText_; }
    const std::vector<AnatomyDB::SearchHit>& searchResults() const { return searchResults_; }
    const std::vector<AnatomyDB::SearchHit>& bookmarks() const { return bookmarks_; }
    const std::vector<AnatomyDB::SavedView>& savedViews() const { return savedViews_; }
    const std::string& noteDraft() const { return noteDraft_; }
    std::optional<SystemPreset> activePreset() const { return activePreset_; }
    TreeKind treeKind() const { return treeKind_; }
    const std::vector<TaxonomyNode>& treeRoots() const { return treeRoots_; }
    bool measureMode() const { return measureMode_; }
    const std::vector<Float3>& measurePoints() const { return measurePoints_; }
    const RenderStats& stats() const { return stats_; }
    const std::optional<std::string>& lastMessage() const { return lastMessage_; }
    std::int64_t alwaysVisibleCount() const { return alwaysVisibleCount_; }
    bool showEyesAndTeeth() const { return showEyesAndTeeth_; }
    const std::optional<std::filesystem::path>& exportedImageURL() const { return exportedImageURL_; }
    // The last load placed the camera itself (a restored view or the launch selection).
    bool cameraIsPlaced() const { return cameraIsPlaced_; }

    // The settings the model reads and writes; the views store their own switches there.
    Preferences& preferences() const;

    // The properties the views assign directly.
    // Also runs the search, even when the text is unchanged.
    void setSearchText(std::string text);
    void setNoteDraft(std::string text);
    void setShowStatistics(bool show);
    void setShowLabels(bool show);
    void setDarkBackground(bool dark);
    // Also applies the setting to the scene, even when it is unchanged.
    void setShowEyesAndTeeth(bool show);
    void setMeasureMode(bool measuring);

    // ---- View states (AppModelViewState.cpp), the user's rows (AppModelUserRows.cpp)
    // and the hierarchy trees (AppModelTrees.cpp).
    // The view as it can be stored; none without a loaded dataset.
    std::optional<AnatomyViewState> currentViewState() const;
    // Remembers the current view and the labels setting for the next run. Without a
    // view to remember, the one remembered before stays.
    void persistViewState();
    // Stores the current view under the name ("Vista N" when it is empty); true when
    // the database took it, so the caller can keep the typed name otherwise.
    bool saveCurrentView(const std::string& name);
    // Puts a saved view back; a payload that does not decode changes nothing.
    void restore(const AnatomyDB::SavedView& view);
    void deleteView(const AnatomyDB::SavedView& view);
    // Bookmarks the first selected structure, or removes its bookmark.
    void toggleBookmark();
    bool primaryIsBookmarked() const;
    // Stores `noteDraft` as the first selected structure's note (empty removes it).
    void saveNote();
    void setTreeKind(TreeKind kind);
    // A node's children in the hierarchy shown, for a tree that fetches them lazily.
    std::vector<TaxonomyNode> children(std::string_view conceptID) const;
    std::vector<AnatomyDB::RelatedStructure> related(std::string_view conceptID) const;
    // The part-of parents, nearest first, whichever hierarchy is shown.
    std::vector<TaxonomyNode> ancestry(std::string_view conceptID) const;

    // ---- Measurement (AppModelMeasurement.cpp) and image export (AppModelExport.cpp).
    // Millimetres between the two measuring points; none unless there are exactly two.
    std::optional<float> measureDistanceMM() const;
    // The measuring points in a view of that size; points behind the camera are left out.
    std::vector<float2> measurePointsOnScreen(float2 viewSize) const;
    // Renders the view at `scale` times its drawable size and saves it as PNG where
    // the user chooses.
    void exportScreenshot(int scale);
    // ---- Catalog, download and imports ---------------------------------------
    // Each starts a background job and returns at once; results reach the model
    // by queued calls only. An import or a download writes a dataset folder: one
    // such job runs at a time, and while it runs the calls that start another do
    // nothing, and so do load() and bootstrap(), until the job ends and loads
    // what it wrote. Destroying the model stops every job and waits for it.

    // Fetches the published catalog; a call while a fetch runs does nothing.
    void refreshCatalog();
    // Downloads, checks and installs the entry's archive, then loads the dataset.
    void downloadDataset(const DatasetCatalog::Entry& entry);
    // Stops the running download; the installed datasets are read again.
    void cancelDownload();
    // Imports the BodyParts3D release whose files lie anywhere below the folder.
    void importBodyParts3D(const std::filesystem::path& folder);
    // Imports any 3D file or folder under the dataset ID made from the name;
    // a name that gives no usable ID fails at once and starts nothing.
    void importGeneric(const std::filesystem::path& input, const std::string& name,
        const std::string& license, const std::string& attribution, const std::string& source);
    // The name in lower case with every space turned into "-"; none when that
    // cannot name a dataset's folder.
    static std::optional<std::string> genericDatasetID(std::string_view name);
    // The folder holding "isa_parts_list_e.txt", and the first folder holding a
    // file with the extension .obj (any case, not a hidden name), searched
    // breadth-first in name order without following links.
    static std::optional<std::filesystem::path> findMetadataDirectory(const std::filesystem::path& folder);
    static std::optional<std::filesystem::path> findOBJDirectory(const std::filesystem::path& folder);

    // Calls `redraw` after each change of one of `fields`, for as long as `receiver` lives:
    // for a view that draws the same whichever of its fields changed.
    void whenChanged(std::initializer_list<Field> fields, QObject* receiver, std::function<void()> redraw);

signals:
    void changed(AppModel::Field field);

private:
    // The four objects of one dataset, made before any of the model's is replaced.
    struct OpenedDataset {
        std::shared_ptr<MeshPack> pack;
        std::shared_ptr<AnatomyDB> db;
        std::shared_ptr<AnatomyScene> scene;
        std::shared_ptr<AnatomyRenderer> renderer;
    };

    // The notification rule, for every observed property.
    template <class T> bool assign(T& member, T value, Field field);

    void refreshInstalledDatasets();
    OpenedDataset openDataset(const std::string& datasetID);
    void installStatsCallback(AnatomyRenderer& renderer, std::uint64_t generation);
    void replaceDataset(OpenedDataset opened);
    void clearDatasetState();
    void showDefaultSystems();
    void configureScene();
    void restoreLastView(const std::string& datasetID);
    void selectLaunchConcept();

    // Those of the systems that have structures in the loaded dataset.
    std::set<AnatomySystem> withStructures(const std::set<AnatomySystem>& systems) const;
    // The view's width over its height, or 1.4 without a usable view.
    float aspect() const;
    // The renderer, with the shared context current for a call into it.
    AnatomyRenderer* currentRenderer();
    void applyToScene(const std::set<AnatomySystem>& systems, const std::map<AnatomySystem, float>& opacity);
    void setSelectedIndices(std::vector<std::int64_t> indices);
    void refreshSelectionCards();
    // Selection and picking.
    bool isCurrentView(const ViewportHandle& view) const;
    std::optional<std::int64_t> pickAt(const ViewportHandle& view, float2 point, int tolerance);
    // Adds a measuring point where the view ray through the point meets the structure.
    bool placeMeasuringPoint(const ViewportHandle& view, float2 point, std::int64_t index);
    std::optional<std::string> hoverLabel(std::int64_t index) const;
    void clearHover();
    std::vector<std::int64_t> structuresOfConcept(std::string_view conceptID) const;
    void revealStructures(const std::vector<std::int64_t>& indices);
    void switchNoteDraft(const std::optional<std::string>& conceptID);
    void forgetNoteDrafts();
    // Display operations.
    void showSystems(std::set<AnatomySystem> systems);
    void recountHidden();
    // Viewport keys.
    void toggleMeasureMode();
    void applyClipToScene();
    void restoreCamera(const AnatomyViewState& state);
    void restoreStructures(const AnatomyViewState& state);
    void restoreSettings(const AnatomyViewState& state, bool withClipPlane);
    void refreshBookmarks();
    void resolveAlwaysVisible();
    void applyAlwaysVisible();
    void runSearch();

    // lastMessage = the message, which the user is shown.
    void reportFailure(std::string message);
    // View states, measurement and export.
    void writeImage(const std::filesystem::path& location, const std::string& png, int width, int height);
    // ---- Catalog, download and imports ---------------------------------------
    // What an import job runs: the import itself, returning the new dataset's ID
    // and where a damaged installed database was kept, if one was.
    struct ImportedDataset {
        std::string id;
        std::optional<DamagedDatabase::Kept> keptDatabase;
    };
    using ImportRun = std::function<ImportedDataset(
        const ImportProgressHandler& progress, const std::atomic<bool>& stop)>;
    struct DownloadProgressSlot;

    // Runs `call` on the GUI thread later, unless the model is gone by then.
    template <class Call> void post(Call call)
    {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }
    // Where background jobs run and how they end, and the one dataset-writing slot
    // that downloads and imports share (AppModelJobs.cpp).
    std::jthread startJob(std::function<void(std::stop_token)> work);
    void stopJobs();
    bool isWritingDataset() const;
    void finishCatalogFetch(std::optional<DatasetCatalog> catalog, std::optional<std::string> error);
    void noteAvailableUpdate(const DatasetCatalog& catalog);
    DatasetDownload::StageHandler stageHandler(std::uint64_t generation, std::string datasetID);
    void applyDownloadStage(
        const DatasetDownload::Stage& stage, std::uint64_t generation, const std::string& datasetID);
    void startImport(ImportRun run);
    void finishImport(const std::optional<ImportedDataset>& imported, const std::string& failure);
    // Tells the user where a damaged installed database was kept, once its
    // replacement is loaded: its notes did not pass on.
    void tellOfKeptDatabase(const std::optional<DamagedDatabase::Kept>& kept);

    AppModelServices services_;
    // Which dataset the remembered last view belongs to: the one loaded when it
    // was saved at the previous window close.
    std::string lastViewDatasetID_;
    // Counts successful loads; statistics of an earlier renderer are dropped.
    std::uint64_t generation_ = 0;

    Phase phase_ = NoDataset {};
    std::optional<DatasetManifest> manifest_;
    std::vector<DatasetManifest> installedDatasets_;
    std::optional<DatasetManifest::Installed::Notice> unreadableDatasetsNotice_;
    std::optional<DatasetCatalog> catalog_;
    std::optional<std::string> catalogError_;
    bool isLoadingCatalog_ = false;
    std::optional<DatasetDownload::Stage> downloadStage_;
    std::unique_ptr<DatasetDownload> download_;
    std::optional<DatasetCatalog::AppRelease> availableUpdate_;
    std::shared_ptr<AnatomyDB> db_;
    std::shared_ptr<MeshPack> pack_;
    std::shared_ptr<AnatomyScene> scene_;
    std::shared_ptr<AnatomyRenderer> renderer_;
    std::weak_ptr<ViewportHandle> metalView_;
    std::set<AnatomySystem> visibleSystems_;
    std::map<AnatomySystem, float> systemOpacity_;
    std::map<AnatomySystem, std::int64_t> systemCounts_;
    float explode_ = 0;
    int layerDepthMin_ = 0;
    bool ghostOthers_ = false;
    bool clipEnabled_ = false;
    ClipAxis clipAxis_ = ClipAxis::sagittal;
    float clipOffset_ = 0;
    bool clipFlipped_ = false;
    bool isolationActive_ = false;
    std::int64_t hiddenCount_ = 0;
    float lodBias_ = 1;
    RenderQuality quality_ = RenderQuality::standard;
    BackgroundPalette backgroundPalette_ = BackgroundPalette::neutro;
    bool showStatistics_ = false;
    bool showLabels_ = true;
    bool darkBackground_ = true;
    std::vector<AnatomyStructure> selection_;
    std::vector<std::int64_t> selectedIndices_;
    std::optional<std::string> hoveredLabel_;
    std::optional<Point> hoveredPoint_;
    std::string searchText_;
    std::vector<AnatomyDB::SearchHit> searchResults_;
    std::vector<AnatomyDB::SearchHit> bookmarks_;
    std::vector<AnatomyDB::SavedView> savedViews_;
    std::string noteDraft_;
    std::optional<SystemPreset> activePreset_ = SystemPreset::muscolare;
    TreeKind treeKind_ = TreeKind::partOf;
    std::vector<TaxonomyNode> treeRoots_;
    bool measureMode_ = false;
    std::vector<Float3> measurePoints_;
    RenderStats stats_;
    std::optional<std::string> lastMessage_;
    std::int64_t alwaysVisibleCount_ = 0;
    bool showEyesAndTeeth_ = true;
    std::vector<std::int64_t> alwaysVisibleIndices_;
    bool cameraIsPlaced_ = false;
    // The concept whose note `noteDraft` holds, and unsaved notes of other concepts
    // that differ from their stored note; both forgotten with their dataset.
    std::optional<std::string> draftConceptID_;
    std::map<std::string, std::string, std::less<>> unsavedNotes_;
    std::optional<std::filesystem::path> exportedImageURL_;

    // ---- Catalog, download and imports ---------------------------------------
    std::jthread catalogJob_;
    std::jthread importJob_;
    // Counts downloads started and cancelled; stages of an earlier one are dropped.
    std::uint64_t downloadGeneration_ = 0;
};

namespace AppModelValues {

// Equality as the notification rule sees it: the value type's own, texts by
// canonical equivalence, and never equal for types without one.
template <class T> bool same(const T& a, const T& b)
{
    if constexpr (std::equality_comparable<T>)
        return a == b;
    else
        return false;
}

// Phases have no equality: every assignment notifies.
inline bool same(const AppModel::Phase&, const AppModel::Phase&)
{
    return false;
}

inline bool same(const std::string& a, const std::string& b)
{
    return UnicodeText::canonicallyEqual(a, b);
}

inline bool same(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    return a.has_value() == b.has_value() && (!a || UnicodeText::canonicallyEqual(*a, *b));
}

} // namespace AppModelValues

template <class T> bool AppModel::assign(T& member, T value, Field field)
{
    const bool alwaysNotifies = field == Field::phase || field == Field::catalog || field == Field::stats;
    const bool changes = alwaysNotifies || !AppModelValues::same(member, value);
    member = std::move(value);
    if (changes)
        emit changed(field);
    return changes;
}

} // namespace morvena
