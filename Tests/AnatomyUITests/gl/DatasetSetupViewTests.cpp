#include "../JobTestSupport.h"
#include "ViewTestSupport.h"

#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyUI/Setup/DatasetSetupView.h"

#include <nlohmann/json.hpp>

#include <QDesktopServices>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QVBoxLayout>

using namespace morvena;
using namespace morvena::test;
using namespace std::chrono_literals;
using Stage = DatasetDownload::Stage;

namespace {

// Receives the addresses the screen asks the desktop to open.
class LinkCatcher : public QObject {
    Q_OBJECT

public:
    std::vector<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

// A model whose renderers live in an offscreen context and whose catalog and
// archives come from a server on 127.0.0.1, and the screen around it at the size
// of the window's detail column.
struct SetupScreen {
    explicit SetupScreen(
        std::function<void(AppModelServices&)> adjust = {}, const std::vector<TestDataset>& installed = {})
    {
        for (const auto& dataset : installed)
            sandbox.install(dataset);
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        AppModelServices services;
        services.preferences = sandbox.preferences.get();
        services.makeCurrent = [this] { context.makeCurrent(); };
        services.makeRenderer = AppModelServices::rendererFactory(services.makeCurrent);
        services.catalogAddress = datasets.server.address("catalog.json");
        if (adjust)
            adjust(services);
        model = std::make_unique<AppModel>(std::move(services));
    }
    ~SetupScreen()
    {
        view.reset();
        QLocale::setDefault(QLocale::c());
    }

    void publishCatalog(const std::vector<DatasetCatalog::Entry>& entries)
    {
        writeFile(
            datasets.root / "catalog.json", nlohmann::json(DatasetCatalog {1, entries, std::nullopt}).dump());
    }

    DatasetSetupView& show(DatasetSetupView::Pickers pickers = {})
    {
        view = std::make_unique<DatasetSetupView>(
            *model, DatasetSetupView::defaultHeaderText, std::move(pickers));
        view->resize(860, 900);
        view->show();
        return *view;
    }

    // Shows the screen and waits for the catalog it asks for.
    DatasetSetupView& showWithCatalog(DatasetSetupView::Pickers pickers = {})
    {
        auto& shownView = show(std::move(pickers));
        EXPECT_TRUE(runPostedCallsUntil([this] { return !model->isLoadingCatalog(); }));
        return shownView;
    }

    void keepPicture(const std::string& name)
    {
        keepLightAndDark(name, {860, 900}, [this] {
            return std::make_unique<DatasetSetupView>(*model, DatasetSetupView::defaultHeaderText);
        });
    }

    ModelSandbox sandbox;
    OffscreenGLContext context;
    DatasetServer datasets;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<DatasetSetupView> view;
};

DatasetCatalog::Entry entry(const std::string& id, const std::string& name)
{
    return catalogEntry(id, name, 1'500'000, 4'200'000);
}

int barValue(const QWidget& root, const char* block)
{
    return root.findChild<QWidget*>(QString::fromUtf8(block))->findChild<QProgressBar*>()->value();
}

void type(QWidget& root, const QString& placeholder, const QString& text)
{
    for (auto* edit : root.findChildren<QLineEdit*>())
        if (edit->placeholderText() == placeholder)
            return edit->setText(text);
    FAIL() << "no field " << placeholder.toStdString();
}

void clickButton(const QWidget& root, const QString& title)
{
    auto* button = shownButton(root, title);
    ASSERT_TRUE(button) << title.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

TEST(DatasetSetupView, offersOnlyTheFirstCatalogEntryWithItsFactsAndButton)
{
    SetupScreen screen;
    screen.publishCatalog({entry("atlante", "Atlante BodyParts3D"), entry("secondo", "Secondo atlante"),
        entry("terzo", "Terzo atlante")});
    auto& view = screen.show();
    EXPECT_TRUE(shown(view, "catalogLoading")); // the request runs
    ASSERT_TRUE(runPostedCallsUntil([&] { return !screen.model->isLoadingCatalog(); }));

    ASSERT_TRUE(shown(view, "catalogOffer"));
    const auto texts = shownTexts(view);
    EXPECT_TRUE(texts.contains("Atlante BodyParts3D"));
    EXPECT_FALSE(texts.contains("Secondo atlante"));
    EXPECT_FALSE(texts.contains("Terzo atlante"));
    EXPECT_TRUE(texts.contains("2.234 strutture separate · 1.234.567 triangoli"))
        << texts.join('|').toStdString();
    for (const char* fact : {"DOWNLOAD", "SU DISCO", "LICENZA", "1,5 MB", "4,2 MB", "CC BY-SA 2.1 JP"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(fact))) << fact;
    EXPECT_TRUE(shownButton(view, "Scarica l'atlante (1,5 MB)"));
    EXPECT_FALSE(shown(view, "installedList"));
    EXPECT_FALSE(shown(view, "errorBox"));
    screen.keepPicture("setup-catalog");
}

TEST(DatasetSetupView, anEmptyOrUnreachableCatalogShowsTheNoticeWithTheHintOrTheError)
{
    SetupScreen screen;
    screen.publishCatalog({});
    auto& view = screen.showWithCatalog();
    EXPECT_TRUE(shown(view, "catalogUnreachable"));
    EXPECT_FALSE(shown(view, "catalogOffer"));
    EXPECT_TRUE(shownTexts(view).contains("Controlla la connessione, oppure importa un dataset da file."));

    std::filesystem::remove(screen.datasets.root / "catalog.json");
    clickButton(view, "Riprova");
    EXPECT_TRUE(shown(view, "catalogLoading"));
    ASSERT_TRUE(runPostedCallsUntil([&] { return !screen.model->isLoadingCatalog(); }));
    EXPECT_EQ(screen.datasets.requestsFor("catalog.json"), 2);
    EXPECT_TRUE(shownTexts(view).contains(QString::fromStdString(*screen.model->catalogError())));
    EXPECT_FALSE(shownTexts(view).contains("Controlla la connessione, oppure importa un dataset da file."));
    screen.keepPicture("setup-unreachable");
}

// The stages come from the test through the model's own stage handler; the real
// download behind it is slow and its reports are dropped.
TEST(DatasetSetupView, eachDownloadStageShowsItsTitleBarAndDetail)
{
    DatasetDownload::StageHandler report;
    SetupScreen screen([&](AppModelServices& services) {
        services.makeDownload = [&](DatasetCatalog::Entry entry, DatasetDownload::StageHandler onStage) {
            report = std::move(onStage);
            return std::make_unique<DatasetDownload>(std::move(entry), [](const Stage&) {});
        };
    });
    auto slow = screen.datasets.publishLarge("lento");
    slow.displayName = "Atlante lento";
    screen.publishCatalog({slow});
    auto& view = screen.showWithCatalog();
    clickButton(view, "Scarica l'atlante (4,2 MB)");
    ASSERT_TRUE(report);

    struct Case {
        Stage stage;
        const char* title;
        int bar;
        const char* detail;
    };
    const Case cases[] = {
        {Stage::preparing(), "Avvio del download", 0, "…"},
        {Stage::downloading(0, 0), "Scaricamento dell'atlante", 0, "0 byte di 0 byte"},
        {Stage::downloading(750, 1'500'000), "Scaricamento dell'atlante", 0, "750 byte di 1,5 MB"},
        {Stage::downloading(1'500'000, 1'500'000), "Scaricamento dell'atlante", 900, "1,5 MB di 1,5 MB"},
        {Stage::verifying(), "Verifica dell'archivio", 930, "Confronto della firma SHA-256"},
        {Stage::installing(), "Installazione", 970, "Scrittura dei dati sul disco"},
    };
    for (const auto& expected : cases) {
        report(expected.stage);
        runPostedCalls();
        SCOPED_TRACE(expected.title);
        ASSERT_TRUE(shown(view, "downloadProgress"));
        EXPECT_FALSE(shown(view, "downloadCard"));
        EXPECT_FALSE(shown(view, "manualImport"));
        const auto texts = shownTexts(view);
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected.title)));
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected.detail))) << texts.join('|').toStdString();
        EXPECT_EQ(barValue(view, "downloadProgress"), expected.bar);
    }
    screen.keepPicture("setup-download-installing");

    report(Stage::failed("Il download si è interrotto."));
    runPostedCalls();
    EXPECT_TRUE(shownTexts(view).contains("Il download si è interrotto."));
    EXPECT_TRUE(shownButton(view, "Riprova"));
    screen.keepPicture("setup-download-failed");
    clickButton(view, "Riprova"); // a new download of the first entry
    EXPECT_EQ(screen.model->downloadStage(), Stage::preparing());
}

TEST(DatasetSetupView, cancellingARealSlowDownloadBringsTheCardsBackForGood)
{
    SetupScreen screen;
    auto slow = screen.datasets.publishLarge("lento");
    screen.publishCatalog({slow});
    auto& view = screen.showWithCatalog();
    clickButton(view, "Scarica l'atlante (4,2 MB)");
    ASSERT_TRUE(runPostedCallsUntil([&] {
        const auto& stage = screen.model->downloadStage();
        return stage && stage->kind == Stage::Kind::downloading && stage->received > 0;
    }));
    EXPECT_TRUE(shown(view, "downloadProgress"));

    clickButton(view, "Annulla");
    EXPECT_TRUE(shown(view, "downloadCard"));
    EXPECT_FALSE(shown(view, "downloadProgress"));
    runPostedCallsUntil([] { return false; }, 2s);
    EXPECT_TRUE(shown(view, "downloadCard"));
    EXPECT_TRUE(shown(view, "manualImport"));
    EXPECT_FALSE(screen.model->downloadStage());
}

// Blank-only names are allowed as typed; names that cannot name a folder are not.
TEST(DatasetSetupView, importIsEnabledOnlyWithEveryTextAFileAndAUsableName)
{
    TemporaryFolder input;
    SetupScreen screen;
    screen.publishCatalog({});
    auto& view = screen.showWithCatalog({{}, [&](QWidget*) { return std::optional(input.path()); }});
    clickButton(view, "Importa un dataset da file");
    clickButton(view, "Importa un altro dataset…");
    auto* import = shownButton(view, "Importa");
    ASSERT_TRUE(import);

    struct Case {
        const char* name;
        const char* license;
        const char* attribution;
        bool chosen;
        bool enabled;
        bool refusedName;
    };
    const Case cases[] = {
        {"Atlante", "CC0", "Autori", false, false, false},
        {"Atlante", "CC0", "", true, false, false},
        {"", "CC0", "Autori", true, false, false},
        {"Atlante", "", "Autori", true, false, false},
        {"   ", "CC0", "Autori", true, true, false},
        {"..", "CC0", "Autori", true, false, true},
        {"a/b", "CC0", "Autori", true, false, true},
        {"Mio Atlante", "CC0", "Autori", true, true, false},
    };
    bool chosen = false;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        type(view, "Nome del dataset", QString::fromUtf8(row.name));
        type(view, "Licenza (es. CC BY 4.0)", QString::fromUtf8(row.license));
        type(view, "Testo di attribuzione richiesto dalla licenza", QString::fromUtf8(row.attribution));
        if (row.chosen && !chosen) {
            clickButton(view, "Scegli file o cartella…");
            chosen = true;
        }
        EXPECT_EQ(import->isEnabled(), row.enabled);
        EXPECT_EQ(import->toolTip(),
            row.refusedName ? QStringLiteral("Nome non utilizzabile come cartella del dataset.") : QString());
    }
    EXPECT_TRUE(shownTexts(view).contains(QString::fromStdString(input.path().filename().string())));
    EXPECT_LE(import->width(), import->sizeHint().width());
    screen.keepPicture("setup-closed-form");

    // A fresh screen, as the window makes after showing something else, starts over.
    screen.show();
    EXPECT_FALSE(shown(*screen.view, "genericForm"));
    EXPECT_FALSE(shown(*screen.view, "bodyParts3DCard"));
    clickButton(*screen.view, "Importa un dataset da file");
    clickButton(*screen.view, "Importa un altro dataset…");
    for (auto* edit : screen.view->findChildren<QLineEdit*>())
        EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_FALSE(shownButton(*screen.view, "Importa")->isEnabled());
}

// The import runs on a job the test holds at a gate: the screen shows its start,
// then the failure below the cards with the typed form intact, then a second try
// with a real file loads "Mio Atlante" under its ID.
TEST(DatasetSetupView, anImportShowsItsProgressThenItsFailureAndKeepsTheForm)
{
    JobGate gate;
    TemporaryFolder input;
    SetupScreen screen([&](AppModelServices& services) { services.startJob = gate.starter(); });
    screen.publishCatalog({});
    gate.passNext(); // the catalog fetch
    std::filesystem::path chosen = input.path();
    auto& view = screen.showWithCatalog({{}, [&](QWidget*) { return std::optional(chosen); }});
    clickButton(view, "Importa un dataset da file");
    clickButton(view, "Importa un altro dataset…");
    type(view, "Nome del dataset", "Mio Atlante");
    type(view, "Licenza (es. CC BY 4.0)", "CC0");
    type(view, "Testo di attribuzione richiesto dalla licenza", "Autori & co.");
    type(view, "Indirizzo della fonte", "https://example.org");
    clickButton(view, "Scegli file o cartella…");
    clickButton(view, "Importa");

    ASSERT_TRUE(shown(view, "importProgress"));
    EXPECT_FALSE(shown(view, "downloadCard"));
    EXPECT_TRUE(shownTexts(view).contains("Avvio importazione…"));
    EXPECT_EQ(barValue(view, "importProgress"), 0);
    screen.keepPicture("setup-importing");

    ASSERT_TRUE(gate.waitForJob());
    gate.open();
    ASSERT_TRUE(runPostedCallsUntil([&] { return holds<AppModel::Failed>(*screen.model); }));
    EXPECT_FALSE(shown(view, "importProgress"));
    EXPECT_TRUE(shown(view, "downloadCard"));
    auto* errorBox = view.findChild<QWidget*>("errorBox");
    ASSERT_TRUE(errorBox && errorBox->isVisibleTo(&view));
    EXPECT_GT(errorBox->mapTo(&view, QPoint()).y(),
        view.findChild<QWidget*>("manualImport")->mapTo(&view, QPoint()).y());
    EXPECT_TRUE(shownTexts(view).contains(QString::fromStdString(failure(*screen.model))));
    for (const char* typed : {"Mio Atlante", "CC0", "Autori & co.", "https://example.org"}) {
        bool kept = false;
        for (auto* edit : view.findChildren<QLineEdit*>())
            kept = kept || edit->text() == QString::fromUtf8(typed);
        EXPECT_TRUE(kept) << typed;
    }
    screen.keepPicture("setup-failed");

    writeFile(input / "modello.obj", "o femore\nv 0 0 0\nv 100 0 0\nv 0 400 0\nf 1 2 3\n");
    chosen = input / "modello.obj";
    clickButton(view, "Scegli file o cartella…");
    clickButton(view, "Importa");
    ASSERT_TRUE(runPostedCallsUntil([&] { return holds<AppModel::Ready>(*screen.model); }))
        << failure(*screen.model);
    EXPECT_EQ(screen.model->manifest()->id, "mio-atlante");
}

// "Apri" loads the dataset, and the window replaces the screen while the click
// is still being handled.
TEST(DatasetSetupView, openingAnInstalledDatasetFromItsRowReplacesTheScreenSafely)
{
    SetupScreen screen({}, {boxDataset("cubo", {{"FMA1", AnatomySystem::skeletal}})});
    screen.publishCatalog({});

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QPointer<DatasetSetupView> view
        = new DatasetSetupView(*screen.model, DatasetSetupView::defaultHeaderText);
    layout->addWidget(view);
    QObject::connect(screen.model.get(), &AppModel::changed, &window, [&](AppModel::Field field) {
        if (field == AppModel::Field::phase && holds<AppModel::Ready>(*screen.model) && view) {
            view->deleteLater();
            layout->addWidget(new QLabel("pronto", &window));
        }
    });
    window.resize(860, 900);
    window.show();
    ASSERT_TRUE(runPostedCallsUntil([&] { return !screen.model->isLoadingCatalog(); }));
    ASSERT_TRUE(view && shown(*view, "installedList"));
    EXPECT_TRUE(shownTexts(*view).contains("1 strutture · CC BY-SA 4.0"));
    // The row's texts take only their own width: the button keeps its own too.
    EXPECT_LE(shownButton(*view, "Apri")->width(), shownButton(*view, "Apri")->sizeHint().width());

    clickButton(*view, "Apri");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(holds<AppModel::Ready>(*screen.model)) << failure(*screen.model);
    EXPECT_FALSE(view);
}

TEST(DatasetSetupView, theDatasetPageLinkOpensTheBodyParts3DAddress)
{
    LinkCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    SetupScreen screen;
    screen.publishCatalog({});
    auto& view = screen.showWithCatalog();
    clickButton(view, "Importa un dataset da file");
    clickButton(view, "Apri la pagina del dataset");
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
    ASSERT_EQ(catcher.opened.size(), 1u);
    EXPECT_EQ(catcher.opened[0].toString().toStdString(), BodyParts3DImporter::sourceURL);
    screen.keepPicture("setup-manual-import");
}

#include "DatasetSetupViewTests.moc"
