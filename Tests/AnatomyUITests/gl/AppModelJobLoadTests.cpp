#include "../../mrvtoolTests/e2e/DatabaseDamages.h"
#include "../JobTestSupport.h"
#include "GLModel.h"
#include "SyntheticRelease.h"

using namespace morvena;
using namespace morvena::test;
using Kind = DatasetDownload::Stage::Kind;
namespace fs = std::filesystem;

namespace {

// A model over real datasets recording every phase and every stage it shows.
struct GLJobModel : GLModel {
    GLJobModel()
    {
        create();
        QObject::connect(model.get(), &AppModel::changed, [this](AppModel::Field field) {
            if (field == AppModel::Field::phase)
                phases.push_back(model->phase());
            if (field == AppModel::Field::downloadStage && model->downloadStage())
                stages.push_back(model->downloadStage()->kind);
            if (field == AppModel::Field::phase && holds<AppModel::Loading>(*model))
                installedWhenLoading = model->installedDatasets().size();
        });
    }

    bool waitUntilSettled()
    {
        return runPostedCallsUntil(
            [this] { return holds<AppModel::Ready>(*model) || holds<AppModel::Failed>(*model); });
    }

    std::vector<AppModel::Phase> phases;
    std::vector<Kind> stages;
    std::size_t installedWhenLoading = 0;
};

std::vector<Kind> withoutRepeats(const std::vector<Kind>& kinds)
{
    std::vector<Kind> folded;
    for (auto kind : kinds)
        if (folded.empty() || folded.back() != kind)
            folded.push_back(kind);
    return folded;
}

} // namespace

TEST(AppModelDownloadLoad, aFinishedDownloadListsTheDatasetThenLoadsIt)
{
    GLJobModel fixture;
    DatasetServer datasets;
    auto& model = *fixture.model;
    model.downloadDataset(datasets.publish(boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}})));
    ASSERT_TRUE(fixture.waitUntilSettled());
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    EXPECT_EQ(withoutRepeats(fixture.stages),
        (std::vector {Kind::preparing, Kind::downloading, Kind::verifying, Kind::installing, Kind::done}));
    EXPECT_FALSE(model.downloadStage());
    EXPECT_EQ(fixture.installedWhenLoading, 1u);
    EXPECT_EQ(model.manifest()->id, "cubo");
    EXPECT_FALSE(hasIncomingFolders());
}

// The release as users unpack it: metadata two levels down, the OBJ files in a
// sibling folder, and hidden companions from another system's archiver.
TEST(AppModelImportLoad, aBodyParts3DImportShowsEveryReportThenLoadsTheDataset)
{
    GLJobModel fixture;
    auto& model = *fixture.model;
    SyntheticRelease release;
    TemporaryFolder chosen;
    fs::create_directories(chosen / "BodyParts3D");
    fs::copy(release.metadata.path(), chosen / "BodyParts3D/metadati", fs::copy_options::recursive);
    fs::copy(release.objFolder.path(), chosen / "isa_BP3D_4.0_obj", fs::copy_options::recursive);
    writeFile(chosen / "__MACOSX/._FJ0001.obj", "attributi");

    std::vector<ImportProgress> expected;
    BodyParts3DImporter::Options options = release.options("confronto");
    BodyParts3DImporter(options).run([&](const ImportProgress& report) { expected.push_back(report); });

    model.importBodyParts3D(chosen.path());
    ASSERT_TRUE(fixture.waitUntilSettled());
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    EXPECT_EQ(model.manifest()->id, "bodyparts3d-4.0");

    std::vector<ImportProgress> shown;
    for (const auto& phase : fixture.phases)
        if (const auto* importing = std::get_if<AppModel::Importing>(&phase))
            shown.push_back({importing->fraction, importing->message});
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), (ImportProgress {0, "Avvio importazione…"}));
    EXPECT_EQ(std::vector(shown.begin() + 1, shown.end()), expected);
    ASSERT_GE(fixture.phases.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<AppModel::Loading>(fixture.phases[fixture.phases.size() - 2]));
}

TEST(AppModelImportLoad, aFailedImportKeepsTheLoadedDatasetAndANamedOneLoadsUnderItsID)
{
    GLJobModel fixture;
    auto& model = *fixture.model;
    fixture.sandbox.install(boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}}));
    model.load("cubo");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    const auto pack = model.pack();
    const auto renderer = model.renderer();

    TemporaryFolder input;
    model.importGeneric(input.path(), "Mio Modello 3D", "CC0", "Autori", "https://example.org");
    ASSERT_TRUE(fixture.waitUntilSettled());
    EXPECT_TRUE(failure(model).starts_with("Nessun file .obj trovato in ")) << failure(model);
    EXPECT_EQ(model.pack(), pack);
    EXPECT_EQ(model.renderer(), renderer);

    writeFile(input / "modello.obj", "o femore\nv 0 0 0\nv 100 0 0\nv 0 400 0\nf 1 2 3\n");
    model.importGeneric(input / "modello.obj", "Mio Modello 3D", "CC0", "Autori", "https://example.org");
    ASSERT_TRUE(fixture.waitUntilSettled());
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    EXPECT_EQ(model.manifest()->id, "mio-modello-3d");
    EXPECT_NE(model.pack(), pack);
    EXPECT_EQ(model.installedDatasets().size(), 2u);
}

// An import or a download that kept a damaged installed database tells the
// user where, once the new dataset is loaded.
TEST(AppModelImportLoad, aKeptDamagedDatabaseIsToldOfWhenAnImportOrADownloadEnds)
{
    for (const bool downloads : {false, true}) {
        GLJobModel fixture;
        auto& model = *fixture.model;
        DatasetServer datasets;
        TemporaryFolder input;
        writeFile(input / "modello.obj", "o femore\nv 0 0 0\nv 100 0 0\nv 0 400 0\nf 1 2 3\n");
        const auto entry = datasets.publish(boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}}));
        const std::string id = downloads ? "cubo" : "mio-modello-3d";
        const auto replace = [&] {
            if (downloads)
                model.downloadDataset(entry);
            else
                model.importGeneric(input / "modello.obj", "Mio Modello 3D", "CC0", "Autori", "");
        };
        replace();
        ASSERT_TRUE(fixture.waitUntilSettled());
        ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
        const auto database = AppPaths::databaseURL(id);
        auto bytes = readFile(database);
        writeFile(database, bytes.replace(0, 16, "non un database!"));

        replace();
        ASSERT_TRUE(runPostedCallsUntil([&] {
            return holds<AppModel::Failed>(model)
                || (!fixture.notices.empty() && holds<AppModel::Ready>(model));
        }));
        ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
        ASSERT_EQ(fixture.notices.size(), 1u) << downloads;
        EXPECT_TRUE(fixture.notices[0].starts_with(
            "Il database installato era danneggiato: trasferite 0 annotazioni, 0 segnalibri e 0 viste "
            "salvate; il file originale, con ciò che non si è potuto leggere, è conservato in "
            + (AppPaths::datasetDirectory(id) / "anatomy-danneggiato-").string()))
            << downloads;
        EXPECT_EQ(model.lastMessage(), fixture.notices[0]);
    }
}

// Damage in the user's rows would hide them without a word, and damage in the
// dataset's own pages would show an empty dataset: the load fails, pointing to
// the import that keeps the file, or to verify.
TEST(AppModelImportLoad, aDamagedDatabaseFailsTheLoad)
{
    for (const auto& damage : userTableDamages()) {
        GLJobModel fixture;
        fixture.sandbox.install(boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}}));
        writeUserRows(AppPaths::databaseURL("cubo"));
        damage.apply(AppPaths::databaseURL("cubo"));
        fixture.model->load("cubo");
        EXPECT_EQ(failure(*fixture.model),
            damage.userRows
                ? "Impossibile aprire il dataset cubo: annotazioni, segnalibri o viste salvate del database "
                  "sono "
                  "danneggiati. Un nuovo import o download del dataset trasferisce ciò che si può leggere e "
                  "conserva il resto in un file a parte."
                : "Il dataset cubo non è utilizzabile: il database è danneggiato: il controllo di integrità "
                  "di "
                  "SQLite vi trova pagine o indici rovinati. Per i dettagli: mrvtool verify --id cubo")
            << damage.name;
    }
}
