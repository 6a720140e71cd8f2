#include "ModelTestSupport.h"

using namespace morvena;
using namespace morvena::test;
using Field = AppModel::Field;

namespace {

// A model whose renderer factory must never be reached: these tests load nothing
// that gets that far.
struct UnitModel {
    UnitModel()
    {
        AppModelServices services;
        services.preferences = sandbox.preferences.get();
        services.makeRenderer = [this](auto, auto) {
            ++renderersMade;
            return std::shared_ptr<AnatomyRenderer>();
        };
        services.makeCurrent = [] {};
        model = std::make_unique<AppModel>(std::move(services));
    }

    ModelSandbox sandbox;
    int renderersMade = 0;
    std::unique_ptr<AppModel> model;
};

} // namespace

TEST(AppModelState, anEqualValueIsStoredSilentlyAndTextsCompareCanonically)
{
    UnitModel fixture;
    auto& model = *fixture.model;
    ChangeLog log(model);

    model.setShowLabels(model.showLabels());
    model.setMeasureMode(false);
    EXPECT_TRUE(log.fields.empty());

    model.setMeasureMode(true);
    model.setNoteDraft("caffè");
    model.setNoteDraft("caffe\u0300"); // the same text, decomposed
    EXPECT_EQ(log.fields, (std::vector {Field::measureMode, Field::noteDraft}));
    EXPECT_EQ(model.noteDraft(), "caffe\u0300"); // stored all the same
}

TEST(AppModelState, phaseNotifiesOnEveryAssignment)
{
    UnitModel fixture;
    auto& model = *fixture.model;
    ChangeLog log(model);
    model.bootstrap(); // nothing installed
    model.bootstrap();
    EXPECT_TRUE(holds<AppModel::NoDataset>(model));
    EXPECT_EQ(log.count(Field::phase), 2);
    EXPECT_EQ(fixture.renderersMade, 0);
}

TEST(AppModelState, searchWithoutDatabaseIsEmptyAndAnEqualTextNotifiesNobody)
{
    UnitModel fixture;
    auto& model = *fixture.model;
    ChangeLog log(model);
    model.setSearchText("femore");
    model.setSearchText("femore");
    EXPECT_TRUE(model.searchResults().empty());
    EXPECT_EQ(log.fields, std::vector {Field::searchText});
}

TEST(AppModelState, presetsBeforeAnyLoadShowTheirSystemsUnfiltered)
{
    UnitModel fixture;
    auto& model = *fixture.model;
    ChangeLog log(model);

    model.apply(SystemPreset::completo);
    EXPECT_EQ(model.visibleSystems().size(), anatomySystemCount);
    EXPECT_EQ(model.systemOpacity(),
        (std::map<AnatomySystem, float> {
            {AnatomySystem::integument, 0.25f}, {AnatomySystem::muscular, 0.75f}}));
    EXPECT_EQ(model.activePreset(), SystemPreset::completo);
    EXPECT_EQ(model.scene(), nullptr);

    log.clear();
    model.apply(SystemPreset::nervoso);
    EXPECT_EQ(model.visibleSystems(),
        (std::set {AnatomySystem::skeletal, AnatomySystem::nervous, AnatomySystem::sense}));
    EXPECT_EQ(model.systemOpacity(), (std::map<AnatomySystem, float> {{AnatomySystem::skeletal, 0.18f}}));
    EXPECT_EQ(log.fields, (std::vector {Field::visibleSystems, Field::systemOpacity, Field::activePreset}));

    log.clear();
    model.apply(SystemPreset::nervoso);
    EXPECT_TRUE(log.fields.empty());
}

TEST(AppModelState, treeKindsAcceptExactlyTheirRawValues)
{
    EXPECT_EQ(treeKind("partOf"), TreeKind::partOf);
    EXPECT_EQ(treeKind("isA"), TreeKind::isA);
    for (auto text : {"PartOf", "partof", "ISA", "", "part_of"})
        EXPECT_EQ(treeKind(text), std::nullopt) << text;
    EXPECT_EQ(italianName(TreeKind::isA), "Per tipo");
}

TEST(AppModelState, settingsAreReadAtConstruction)
{
    ModelSandbox sandbox;
    sandbox.preferences->setRenderQuality(2);
    sandbox.preferences->setBackgroundPalette(7);
    sandbox.preferences->setShowLabels(false);
    sandbox.preferences->setGhostOthersOnSelect(false);
    AppModelServices services;
    services.preferences = sandbox.preferences.get();
    services.makeRenderer = [](auto, auto) { return std::shared_ptr<AnatomyRenderer>(); };
    services.makeCurrent = [] {};
    AppModel model(std::move(services));
    EXPECT_EQ(model.quality(), RenderQuality::prestazioni);
    EXPECT_EQ(model.backgroundPalette(), BackgroundPalette::neutro);
    EXPECT_FALSE(model.showLabels());
    EXPECT_FALSE(model.ghostOthers());
    EXPECT_EQ(model.activePreset(), SystemPreset::muscolare);
    EXPECT_EQ(AppModel::current(), &model);
}

// Every way a dataset can fail to open ends in the failed phase with the error's
// message, before a renderer is made, and leaves everything else alone: no file or
// folder is created and the last dataset setting keeps its value.
TEST(AppModelLoading, aDatasetThatCannotBeOpenedFailsWithItsMessageAndChangesNothing)
{
    struct Case {
        std::string name;
        std::string id;
        std::function<void(const std::filesystem::path& folder)> damage;
        std::string messageStart;
    };
    const std::string packMessage = "Impossibile aprire il pack geometrico: ";
    const std::string databaseMessage = "Impossibile aprire il database anatomico: ";
    auto removeDatabase = [](const std::filesystem::path& folder) {
        for (auto name : {"anatomy.sqlite", "anatomy.sqlite-wal", "anatomy.sqlite-shm"})
            std::filesystem::remove(folder / name);
    };
    const Case cases[] = {
        {"missing pack", "absent", nullptr, packMessage},
        {"missing database", "ds", removeDatabase, databaseMessage},
        {"garbage database", "ds",
            [&](const std::filesystem::path& folder) {
                removeDatabase(folder);
                writeFile(folder / "anatomy.sqlite", std::string(8192, 'x'));
            },
            databaseMessage},
        {"id leaving the datasets folder", "../x", nullptr, "Identificativo di dataset non valido"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UnitModel fixture;
        fixture.sandbox.preferences->setLastDatasetID("before");
        const auto folder = fixture.sandbox.install(boxDataset("ds", {{"FMA1", AnatomySystem::skeletal}}));
        if (c.damage)
            c.damage(folder);
        const auto before = listing(fixture.sandbox.dataHome);

        auto& model = *fixture.model;
        ChangeLog log(model);
        model.load(c.id);

        ASSERT_TRUE(holds<AppModel::Failed>(model));
        EXPECT_EQ(failure(model).rfind(c.messageStart, 0), 0u) << failure(model);
        EXPECT_GT(failure(model).size(), c.messageStart.size());
        EXPECT_EQ(log.fields, (std::vector {Field::phase, Field::phase}));
        EXPECT_EQ(model.pack(), nullptr);
        EXPECT_EQ(model.db(), nullptr);
        EXPECT_EQ(fixture.renderersMade, 0);
        EXPECT_EQ(fixture.sandbox.reread().lastDatasetID(), "before");
        EXPECT_EQ(listing(fixture.sandbox.dataHome), before);
    }
}

TEST(AppModelKeys, twelveSingleKeysAreCommandsWhateverTheModifiers)
{
    UnitModel fixture;
    auto& model = *fixture.model;
    const KeyModifiers everyModifier
        = KeyModifiers::command | KeyModifiers::shift | KeyModifiers::option | KeyModifiers::control;
    for (const auto* key : {"i", "h", "r", "f", "a", "p", "l", "d", "s", "\x1b"})
        for (auto modifiers : {KeyModifiers {}, everyModifier}) {
            SCOPED_TRACE(key);
            EXPECT_TRUE(model.handleKey(key, modifiers));
        }
    for (const auto* key : {"x", "I", "", "ii", "\xc3\xac", "\x1b[A", "\xef\x9c\x80"}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(model.handleKey(key, {}));
    }

    const bool ghost = model.ghostOthers();
    EXPECT_TRUE(model.handleKey("g", {}));
    EXPECT_EQ(model.ghostOthers(), !ghost);
    EXPECT_EQ(fixture.sandbox.reread().ghostOthersOnSelect(), !ghost);
    EXPECT_TRUE(model.handleKey("m", {}));
    EXPECT_TRUE(model.measureMode());
    EXPECT_TRUE(model.handleKey("m", KeyModifiers::shift));
    EXPECT_FALSE(model.measureMode());
}

TEST(AppModelDisplay, withoutADatasetSettingsAreStillChangedAndStored)
{
    UnitModel fixture;
    auto& model = *fixture.model;
    model.setQuality(RenderQuality::prestazioni);
    model.setLODBias(0.5f);
    model.setVisible(true, AnatomySystem::nervous);
    model.isolateSelection();
    model.resetAll();

    EXPECT_EQ(model.quality(), RenderQuality::prestazioni);
    EXPECT_EQ(fixture.sandbox.reread().renderQuality(), 2);
    EXPECT_EQ(fixture.sandbox.reread().lodBias(), 0.5f);
    EXPECT_TRUE(model.visibleSystems().contains(AnatomySystem::nervous));
    EXPECT_FALSE(model.isolationActive());
    EXPECT_EQ(model.orientationLabel(), "—");
}
