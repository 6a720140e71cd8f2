#include "JobTestSupport.h"

#include <nlohmann/json.hpp>

using namespace morvena;
using namespace morvena::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A model without GL whose jobs wait at a gate.
struct GatedModel {
    GatedModel()
    {
        auto services = servicesWithoutGL(sandbox);
        services.startJob = gate.starter();
        services.catalogAddress = datasets.server.address("catalog.json?slow=1");
        model = std::make_unique<AppModel>(std::move(services));
    }

    ModelSandbox sandbox;
    JobGate gate;
    DatasetServer datasets;
    std::unique_ptr<AppModel> model;
};

} // namespace

// A name that cannot name a dataset's folder fails at once and starts nothing.
TEST(AppModelImport, genericDatasetIDsComeFromTheNameAndUnusableOnesStartNoJob)
{
    EXPECT_EQ(AppModel::genericDatasetID("Mio Modello 3D"), "mio-modello-3d");
    EXPECT_EQ(AppModel::genericDatasetID("Età Ossea"), "età-ossea");
    // Invisible characters of a pasted name are left out rather than refused.
    EXPECT_EQ(AppModel::genericDatasetID("Sche\u200bletro \u202eosso\u2066\u00ad"), "scheletro-osso");
    GatedModel fixture;
    auto& model = *fixture.model;
    for (const char* name : {".", "a/b", ".x", "", "\u202e\u2066"}) {
        EXPECT_FALSE(AppModel::genericDatasetID(name)) << name;
        model.importGeneric("/tmp", name, "CC0", "", "");
        EXPECT_TRUE(failure(model).starts_with("Identificativo di dataset non valido")) << failure(model);
    }
    EXPECT_EQ(fixture.gate.started(), 0);
}

// One dataset-writing job at a time; while it runs, other loads are ignored.
TEST(AppModelImport, whileAnImportWaitsNoOtherWriterOrLoadStarts)
{
    GatedModel fixture;
    auto& model = *fixture.model;
    fixture.sandbox.install(boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}}));
    TemporaryFolder empty;
    model.importBodyParts3D(empty.path());
    ASSERT_TRUE(fixture.gate.waitForJob());

    model.importBodyParts3D(empty.path());
    model.importGeneric(empty.path(), "Altro", "", "", "");
    model.downloadDataset(fixture.datasets.publish(boxDataset("nuovo", {{"FMA2", AnatomySystem::skeletal}})));
    model.load("cubo");
    model.bootstrap();
    EXPECT_EQ(fixture.gate.started(), 1);
    EXPECT_FALSE(model.downloadStage());
    const auto* importing = std::get_if<AppModel::Importing>(&model.phase());
    ASSERT_TRUE(importing);
    EXPECT_EQ(importing->fraction, 0);
    EXPECT_EQ(importing->message, "Avvio importazione…");

    fixture.gate.open();
    ASSERT_TRUE(runPostedCallsUntil([&] { return holds<AppModel::Failed>(model); }));
    EXPECT_TRUE(failure(model).starts_with("File di metadati assente: ")) << failure(model);
    model.load("cubo"); // the slot is free again
    EXPECT_EQ(failure(model), "Nessun dispositivo OpenGL disponibile su questo computer.");
}

// Quitting while jobs run: the model stops each and waits for it, promptly, and
// leaves the installed dataset, the datasets folder and the temporary folder as
// they were; nothing the jobs posted reaches the model after it is gone.
TEST(AppModelQuit, destroyingTheModelStopsItsJobsAndKeepsTheInstalledDataset)
{
    for (bool downloading : {false, true}) {
        GatedModel fixture;
        auto& model = *fixture.model;
        const auto installed
            = fixture.sandbox.install(boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}}));
        const auto before = snapshot(installed);
        DatasetCatalog catalog {1, {fixture.datasets.publishLarge("cubo")}, std::nullopt};
        catalog.datasets[0].notes = std::string(2'000'000, 'n'); // 40 s at the slow pace
        const std::string catalogBody = nlohmann::json(catalog).dump();
        writeFile(fixture.datasets.root / "catalog.json", catalogBody);

        fixture.gate.passNext();
        const auto fetching = std::chrono::steady_clock::now();
        model.refreshCatalog();
        if (downloading) {
            model.downloadDataset(catalog.datasets[0]);
            ASSERT_TRUE(runPostedCallsUntil(
                [&] { return model.downloadStage()->kind == DatasetDownload::Stage::Kind::downloading; }));
        } else {
            writeFile(fixture.sandbox.folder / "cubo.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
            model.importGeneric(fixture.sandbox.folder / "cubo.obj", "cubo", "CC0", "", "");
            ASSERT_TRUE(fixture.gate.waitForJob());
        }
        ASSERT_TRUE(runPostedCallsUntil([&] { return fixture.datasets.requestsFor("catalog.json") > 0; }));

        fixture.model.reset();
        EXPECT_LT(
            std::chrono::steady_clock::now() - fetching, TestHttpServer::slowBodyTime(catalogBody.size()))
            << downloading << ": the model waited for the catalog's whole fetch";
        runPostedCalls();
        EXPECT_EQ(snapshot(installed), before) << downloading;
        EXPECT_FALSE(hasIncomingFolders()) << downloading;
        for (const auto& entry : fs::directory_iterator(AppPaths::temporaryDirectory()))
            EXPECT_FALSE(entry.path().filename().string().starts_with("mrvz-")) << entry.path();
    }
}
