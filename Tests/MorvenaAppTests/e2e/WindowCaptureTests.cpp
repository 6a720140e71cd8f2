#include "../../AnatomyUITests/JobTestSupport.h"
#include "ImportedDataset.h"
#include "PixelProbe.h"
#include "ViewTestSupport.h"
#include "ViewerFixture.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/CapsuleButton.h"
#include "AnatomyUI/Viewport/Chip.h"
#include "AnatomyUI/Viewport/StatusChips.h"
#include "AnatomyUI/Viewport/ViewportContainer.h"
#include "AnatomyUI/Viewport/ViewportTools.h"
#include "AnatomyUI/Window/UISnapshot.h"

#include <nlohmann/json.hpp>

#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

using namespace morvena;
using namespace morvena::test;
using Stage = DatasetDownload::Stage;

namespace {

constexpr QSize sizes[] = {{1440, 900}, {ContentView::minimumWidth, ContentView::minimumHeight}};
constexpr Appearance appearances[] = {Appearance::light, Appearance::dark};
const QColor measuringOrange(255, 149, 0);
// Where no catalog is ever served: a refused connection, at once.
constexpr const char* deadCatalog = "http://127.0.0.1:9/catalog.json";

std::string nameOf(Appearance appearance)
{
    return appearance == Appearance::light ? "light" : "dark";
}

std::string nameOf(QSize size)
{
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

bool isSmallest(QSize size)
{
    return size == QSize(ContentView::minimumWidth, ContentView::minimumHeight);
}

// The application's look for the widgets made while it lives; light again afterwards.
class AppearanceScope {
public:
    explicit AppearanceScope(Appearance appearance) { applyAppearance(appearance); }
    ~AppearanceScope() { applyAppearance(Appearance::light); }
    AppearanceScope(const AppearanceScope&) = delete;
    AppearanceScope& operator=(const AppearanceScope&) = delete;
};

// The window root as the viewer shows it, inside a host window of a fixed size: the
// window's own services over the test's settings and data folder, with the test's
// catalog address and any seam the test replaces.
class CapturedWindow {
public:
    CapturedWindow(const ModelSandbox& sandbox, SharedGLContext& context, const std::string& catalogAddress,
        const std::function<void(AppModelServices&)>& adjust = {})
    {
        auto services = ViewerServices::make(&context);
        services.preferences = sandbox.preferences.get();
        services.catalogAddress = catalogAddress;
        if (adjust)
            adjust(services);
        content_ = new ContentView(std::move(services), &host_);
        host_.setWindowTitle("Morvena");
    }

    ContentView& content() const { return *content_; }
    AppModel& model() const { return content_->model(); }
    const QWidget& host() const { return host_; }

    void show(QSize size)
    {
        resize(size);
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_, hangDeadlineMS));
        settle();
    }

    // The window at another size, the root keeping its minimum as the program does.
    void resize(QSize size)
    {
        host_.setFixedSize(size);
        content_->setGeometry(QRect(QPoint(0, 0), size.expandedTo(content_->minimumSize())));
    }

    // Lets layouts and paints land and, while a viewport shows, a frame drawn after them
    // with the framing animation over.
    void settle()
    {
        QTest::qWait(60);
        const auto renderer = model().renderer();
        if (!content_->viewport() || !renderer || !holds<AppModel::Ready>(model()))
            return;
        ASSERT_TRUE(waitUntil([&] { return renderer->framesRendered() > 0 && !renderer->isAnimating(); }));
        const auto drawn = renderer->framesRendered();
        model().redraw();
        ASSERT_TRUE(waitUntil([&] { return renderer->framesRendered() > drawn; }));
        QTest::qWait(30);
    }

    // Runs the layouts requested so far and no other event: usable inside a model
    // notification, where other queued calls must wait.
    static void runLayouts()
    {
        for (int round = 0; round < 6; ++round)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }

    QImage capture() { return host_.grab().toImage(); }

    std::vector<std::string> overflow() const
    {
        return UISnapshot::overflowingViews(host_, QRectF(host_.rect()).adjusted(-1, -1, 1, 1));
    }

    QRect rectOf(const QWidget& widget) const { return {widget.mapTo(&host_, QPoint(0, 0)), widget.size()}; }

    // The sidebar (0), the detail column (1) and the inspector (2).
    QWidget& column(int index) const
    {
        return *content_->findChild<QSplitter*>(QString(), Qt::FindDirectChildrenOnly)->widget(index);
    }

    ViewportContainer& container() const { return *content_->findChild<ViewportContainer*>(); }

private:
    QWidget host_;
    ContentView* content_; // owned by the host
};

// One picture of the window, named after its state, size and appearance.
struct Capture {
    QImage image;
    std::string name;
};

Capture take(CapturedWindow& window, const std::string& state, QSize size, Appearance appearance)
{
    Capture taken {window.capture(), "finestra-" + state + "-" + nameOf(size) + "-" + nameOf(appearance)};
    const auto file = reviewArtifact(taken.name + ".png");
    taken.image.save(QString::fromStdString(file.string()));
    std::cout << "PNG: " << file.string() << std::endl;
    EXPECT_EQ(taken.image.size(), size) << taken.name;
    return taken;
}

// The side columns on the appearance's own background, and nothing outside the window
// at its smallest size.
void expectWindowLook(const CapturedWindow& window, const Capture& shot, QSize size, Appearance appearance)
{
    SCOPED_TRACE(shot.name);
    const PixelProbe probe(shot.image);
    for (int index : {0, 2}) {
        const QWidget& column = window.column(index);
        if (!column.isVisible())
            continue;
        const double luminance = probe.luminance(window.rectOf(column));
        if (appearance == Appearance::dark) {
            EXPECT_LT(luminance, 0.35) << "column " << index;
        } else {
            EXPECT_GT(luminance, 0.65) << "column " << index;
        }
    }
    if (isSmallest(size)) {
        EXPECT_EQ(window.overflow(), std::vector<std::string>());
    }
}

// The share of the bar's middle row in the accent colour.
double accentFill(const Capture& shot, const CapturedWindow& window, const QProgressBar& bar)
{
    const QRect rect = window.rectOf(bar);
    const QRect middleRow(rect.left(), rect.center().y(), rect.width(), 1);
    return PixelProbe(shot.image).near(middleRow, Brand::accent(), 40) / static_cast<double>(rect.width());
}

QProgressBar& barIn(const QWidget& root, const char* block)
{
    auto* found = root.findChild<QWidget*>(QString::fromUtf8(block));
    EXPECT_TRUE(found) << block;
    return *found->findChild<QProgressBar*>();
}

// Nine small OBJ files: the import reads them one by one, reporting 0.40 before the eighth.
void writeNineParts(const std::filesystem::path& folder)
{
    static const char* names[]
        = {"femur", "tibia", "fibula", "patella", "humerus", "radius", "ulna", "scapula", "clavicle"};
    for (int index = 0; index < 9; ++index) {
        const double x = index * 30.0;
        std::string obj = std::string("o left ") + names[index] + "\n";
        for (int corner = 0; corner < 8; ++corner)
            obj += "v " + std::to_string(x + (corner & 1 ? 20 : 0)) + " "
                + std::to_string(corner & 2 ? 300 : 0) + " " + std::to_string(corner & 4 ? 20 : 0) + "\n";
        obj += "f 1 3 2\nf 2 3 4\nf 5 6 7\nf 6 8 7\nf 1 2 5\nf 2 6 5\nf 3 7 4\nf 4 7 8\nf 1 5 3\nf 3 5 7\n"
               "f 2 4 6\nf 4 8 6\n";
        writeFile(folder / ("parte-" + std::to_string(index + 1) + ".obj"), obj);
    }
}

QLabel* labelWithText(const QWidget& root, const QString& text)
{
    for (auto* label : root.findChildren<QLabel*>()) {
        auto* elided = qobject_cast<ElidedLabel*>(label);
        if (label->isVisible() && (elided ? elided->fullText() : label->text()) == text)
            return label;
    }
    return nullptr;
}

// The symbol drawn before the label in its row: a label with a picture, left of it
// and across its middle.
QLabel* leadingSymbol(const QLabel& label)
{
    const QWidget& row = *label.window();
    const QRect text(label.mapTo(&row, QPoint(0, 0)), label.size());
    QLabel* nearest = nullptr;
    for (auto* candidate : row.findChildren<QLabel*>()) {
        const QRect rect(candidate->mapTo(&row, QPoint(0, 0)), candidate->size());
        if (candidate->isVisible() && !candidate->pixmap().isNull() && rect.right() < text.left()
            && rect.bottom() >= text.top() - 16 && rect.top() <= text.bottom() + 16
            && (!nearest || rect.right() > nearest->mapTo(&row, QPoint(0, 0)).x() + nearest->width()))
            nearest = candidate;
    }
    return nearest;
}

QWidget* markOf(const QWidget& setup)
{
    for (auto* label : setup.findChildren<QLabel*>())
        if (label->isVisible() && !label->pixmap().isNull() && label->size() == QSize(96, 96))
            return label;
    return nullptr;
}

QAbstractButton* downloadButton(const QWidget& setup)
{
    for (auto* button : setup.findChildren<QPushButton*>())
        if (button->isVisible() && button->text().startsWith("Scarica l'atlante"))
            return button;
    return nullptr;
}

void expectCatalogOffer(const CapturedWindow& window, const Capture& shot)
{
    SCOPED_TRACE(shot.name);
    const QWidget& setup = *window.content().detailPage();
    ASSERT_TRUE(shown(setup, "catalogOffer"));
    const auto texts = shownTexts(setup);
    EXPECT_TRUE(texts.contains("Atlante completo")) << texts.join('|').toStdString();
    // The download symbol stands beside the entry's name.
    auto* name = labelWithText(setup, "Atlante completo");
    auto* symbol = name ? leadingSymbol(*name) : nullptr;
    ASSERT_TRUE(symbol);
    EXPECT_LE(window.rectOf(*name).left() - window.rectOf(*symbol).right(), 16);
    EXPECT_FALSE(texts.contains("Atlante dello scheletro"));
    const PixelProbe probe(shot.image);
    auto* mark = markOf(setup);
    auto* button = downloadButton(setup);
    ASSERT_TRUE(mark && button);
    const QRect markRect = window.rectOf(*mark);
    const QRect buttonRect = window.rectOf(*button);
    EXPECT_GT(probe.near(markRect, Brand::accent(), 24), markRect.width() * markRect.height() / 5);
    EXPECT_GT(probe.near(buttonRect, Brand::accent(), 24), buttonRect.width() * buttonRect.height() / 3);
}

void expectFailure(const CapturedWindow& window, const Capture& shot)
{
    SCOPED_TRACE(shot.name);
    const QWidget& setup = *window.content().detailPage();
    auto* box = setup.findChild<QWidget*>("errorBox");
    ASSERT_TRUE(box && box->isVisible());
    EXPECT_TRUE(shownTexts(setup).contains(QString::fromStdString(failure(window.model()))));
    // The warning sign, in orange, inside the box.
    EXPECT_GT(PixelProbe(shot.image).near(window.rectOf(*box), measuringOrange, 30), 20);
}

void expectLoadingPage(const CapturedWindow& window, const Capture& shot)
{
    SCOPED_TRACE(shot.name);
    const QWidget& page = *window.content().detailPage();
    EXPECT_TRUE(shownTexts(page).contains("Caricamento del dataset anatomico…"));
    EXPECT_EQ(window.content().viewport(), nullptr);
}

// The chips lie whole inside their row and apart from the tool strip, which shows
// whole buttons only, the options button always among them.
void expectChipsBesideTools(const CapturedWindow& window, const Capture& shot)
{
    SCOPED_TRACE(shot.name);
    const auto& container = window.container();
    const QRect chips = window.rectOf(container.statusChips());
    const QRect strip = window.rectOf(container.tools());
    EXPECT_GT(strip.width(), 0);
    EXPECT_FALSE(chips.intersects(strip))
        << UISnapshot::rectText(chips) << " " << UISnapshot::rectText(strip);
    for (auto* chip : container.statusChips().findChildren<Chip*>()) {
        if (!chip->isVisible())
            continue;
        const QRect rect = window.rectOf(*chip);
        EXPECT_TRUE(chips.contains(rect))
            << chip->objectName().toStdString() << " " << UISnapshot::rectText(rect);
        EXPECT_FALSE(rect.intersects(strip)) << chip->objectName().toStdString();
    }
    EXPECT_TRUE(container.tools().optionsButton().isVisible());
    for (auto* button : container.tools().findChildren<CapsuleButton*>())
        if (button->isVisible()) {
            EXPECT_TRUE(strip.contains(window.rectOf(*button))) << button->toolTip().toStdString();
        }
}

// Each result row shown whole starts with a dot of its system's colour; no section
// of the sidebar shows its header meanwhile.
void expectSearchResults(const CapturedWindow& window, const Capture& shot)
{
    SCOPED_TRACE(shot.name);
    const auto& hits = window.model().searchResults();
    auto* list = window.content().findChild<QListView*>("resultsList");
    ASSERT_TRUE(list && list->isVisible());
    ASSERT_EQ(list->model()->rowCount(), static_cast<int>(hits.size()));
    const PixelProbe probe(shot.image);
    int dots = 0;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QRect item = list->visualRect(list->model()->index(row, 0));
        if (!list->viewport()->rect().contains(item))
            continue;
        const QRect lead(list->viewport()->mapTo(&window.host(), item.topLeft()), QSize(22, item.height()));
        const QColor dot = Theme::color(hits[static_cast<std::size_t>(row)].system);
        // A dot in the row's own colour could not be told apart.
        EXPECT_FALSE(probe.near(QRect(lead.topLeft() + QPoint(2, 2), QSize(1, 1)), dot, 24)) << "row " << row;
        const int pixels = probe.near(lead, dot, 24);
        EXPECT_GE(pixels, 9) << "row " << row;
        dots += pixels >= 9;
    }
    EXPECT_GE(dots, 5);
    for (auto* button : window.column(0).findChildren<QAbstractButton*>()) {
        if (button->objectName().startsWith("header.")) {
            EXPECT_FALSE(button->isVisible()) << button->objectName().toStdString();
        }
    }
}

// Clicks in measuring mode until two points lie at least 60 pixels apart on the screen.
void placeTwoMeasuringPoints(CapturedWindow& window)
{
    auto& model = window.model();
    model.setMeasureMode(true);
    const auto& container = window.container();
    const float width = static_cast<float>(container.width());
    const float height = static_cast<float>(container.height());
    const std::pair<float, float> places[]
        = {{0.5f, 0.3f}, {0.5f, 0.7f}, {0.5f, 0.5f}, {0.45f, 0.4f}, {0.55f, 0.6f}, {0.5f, 0.2f}, {0.5f, 0.8f},
            {0.4f, 0.5f}, {0.6f, 0.5f}, {0.47f, 0.65f}, {0.53f, 0.35f}};
    for (const auto& [x, y] : places) {
        model.handleSelect({x * width, y * height}, PointerModifier::none);
        const auto points = model.measurePointsOnScreen({width, height});
        if (points.size() == 2 && std::hypot(points[0].x - points[1].x, points[0].y - points[1].y) >= 60) {
            model.clearSelection(); // a click beside a surface selects instead
            return;
        }
    }
    FAIL() << "no two measuring points placed";
}

// Orange near both points as the model projects them into the container.
void expectMeasuringPoints(const CapturedWindow& window, const Capture& shot)
{
    SCOPED_TRACE(shot.name);
    const auto& container = window.container();
    const auto points = window.model().measurePointsOnScreen(
        {static_cast<float>(container.width()), static_cast<float>(container.height())});
    ASSERT_EQ(points.size(), 2u);
    const PixelProbe probe(shot.image);
    for (const auto& point : points) {
        const QPoint at = container.mapTo(&window.host(),
            QPoint(static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y))));
        EXPECT_GT(probe.near(QRect(at - QPoint(6, 6), QSize(13, 13)), measuringOrange, 40), 0)
            << at.x() << "," << at.y();
    }
}

// A second structure found by the search hidden, then the femur isolated and selected:
// the femur alone shows, with both chips.
void isolateAndHide(AppModel& model, const std::string& boneID)
{
    model.setSearchText("fem");
    std::string other;
    for (const auto& hit : model.searchResults())
        if (other.empty() && hit.conceptID != boneID && hit.meshIndex)
            other = hit.conceptID;
    model.setSearchText("");
    ASSERT_FALSE(other.empty());
    model.selectConcept(other, true);
    model.hideSelection();
    model.selectConcept(boneID, true);
    model.isolateSelection();
    ASSERT_TRUE(model.isolationActive());
    ASSERT_GT(model.hiddenCount(), 0);
}

void expectIsolationAndHiddenChips(const CapturedWindow& window, const Capture& shot)
{
    SCOPED_TRACE(shot.name);
    const auto& chips = window.container().statusChips();
    ASSERT_TRUE(chips.isolationChip().isVisible());
    ASSERT_TRUE(chips.hiddenChip().isVisible());
    EXPECT_EQ(chips.hiddenText().text(), QString::number(window.model().hiddenCount()) + " nascoste");
    // The isolation chip is tinted with the accent.
    const QRect isolation = window.rectOf(chips.isolationChip());
    EXPECT_GT(PixelProbe(shot.image).near(isolation, Brand::accent(), 30),
        isolation.width() * isolation.height() / 3);
}

} // namespace

// The setup screen of a window without datasets, through everything it shows before a
// dataset is ready: the served catalog's offer, a download at 45%, a failed import, an
// import at 40% and the loading page the import's dataset passes through. One window per
// size and appearance: the import at 40% is caught in the model's own notification, and
// the loading page inside the renderer factory, where no resize can happen.
TEST(WindowCaptures, theSetupScreenThroughCatalogDownloadFailureImportAndLoading)
{
    DatasetServer server;
    writeFile(server.root / "catalog.json",
        nlohmann::json(DatasetCatalog {1,
                           {catalogEntry("atlante", "Atlante completo", 1'500'000, 3 * 1'500'000),
                               catalogEntry("scheletro", "Atlante dello scheletro", 800'000, 3 * 800'000),
                               catalogEntry("muscoli", "Atlante dei muscoli", 600'000, 3 * 600'000)},
                           std::nullopt})
            .dump());
    TemporaryFolder parts("parti");
    writeNineParts(parts.path());
    TemporaryFolder empty("vuota");
    SharedGLContext context;

    for (const auto appearance : appearances) {
        for (const QSize size : sizes) {
            SCOPED_TRACE(nameOf(size) + " " + nameOf(appearance));
            AppearanceScope look(appearance);
            ModelSandbox sandbox;
            JobGate gate;
            DatasetDownload::StageHandler report;
            CapturedWindow* shown = nullptr;
            std::optional<Capture> loading;
            CapturedWindow window(
                sandbox, context, server.server.address("catalog.json"), [&](AppModelServices& services) {
                    services.startJob = gate.starter();
                    services.makeDownload
                        = [&](DatasetCatalog::Entry entry, DatasetDownload::StageHandler onStage) {
                              report = std::move(onStage);
                              return std::make_unique<DatasetDownload>(std::move(entry), [](const Stage&) {});
                          };
                    services.makeRenderer = [&, make = services.makeRenderer](auto pack, auto scene) {
                        if (shown && holds<AppModel::Loading>(shown->model())) {
                            CapturedWindow::runLayouts();
                            loading = take(*shown, "caricamento", size, appearance);
                            expectWindowLook(*shown, *loading, size, appearance);
                            expectLoadingPage(*shown, *loading);
                        }
                        return make(std::move(pack), std::move(scene));
                    };
                });
            shown = &window;
            auto& model = window.model();

            gate.passNext(); // the catalog
            window.show(size);
            ASSERT_TRUE(runPostedCallsUntil([&] { return model.catalog().has_value(); }));
            window.settle();
            const auto offer = take(window, "catalogo", size, appearance);
            expectWindowLook(window, offer, size, appearance);
            expectCatalogOffer(window, offer);

            model.downloadDataset(model.catalog()->datasets.front());
            ASSERT_TRUE(report);
            report(Stage::downloading(750'000, 1'500'000));
            runPostedCalls();
            window.settle();
            const auto download = take(window, "download", size, appearance);
            expectWindowLook(window, download, size, appearance);
            const auto& downloadBar = barIn(*window.content().detailPage(), "downloadProgress");
            EXPECT_NEAR(accentFill(download, window, downloadBar), 0.45, 0.03);
            // "Annulla", no wider than its title, closes the row at the bar's trailing edge.
            auto* stop = shownButton(*window.content().detailPage(), "Annulla");
            ASSERT_TRUE(stop);
            EXPECT_LE(std::abs(window.rectOf(*stop).right() - window.rectOf(downloadBar).right()), 2);
            EXPECT_LE(stop->width(), stop->sizeHint().width());
            model.cancelDownload();

            gate.passNext();
            model.importGeneric(empty.path(), "Vuoto", "CC0", "Autori", "");
            ASSERT_TRUE(runPostedCallsUntil([&] { return holds<AppModel::Failed>(model); }));
            window.settle();
            const auto failed = take(window, "errore", size, appearance);
            expectWindowLook(window, failed, size, appearance);
            expectFailure(window, failed);

            // The import waits at the gate until the screen shows it; its report of 0.40
            // is captured before any later one is handled.
            std::optional<Capture> importing;
            double importFill = 0;
            auto connection = QObject::connect(&model, &AppModel::changed, [&](AppModel::Field field) {
                const auto* phase = std::get_if<AppModel::Importing>(&model.phase());
                if (field != AppModel::Field::phase || !phase || importing
                    || std::abs(phase->fraction - 0.4) > 0.005)
                    return;
                CapturedWindow::runLayouts();
                importing = take(window, "importazione", size, appearance);
                importFill = accentFill(*importing, window, barIn(window.content(), "importProgress"));
            });
            model.importGeneric(parts.path(), "Nove parti", "CC0", "Autori", "https://example.org/parti");
            window.settle();
            gate.open();
            ASSERT_TRUE(runPostedCallsUntil([&] { return holds<AppModel::Ready>(model); })) << failure(model);
            QObject::disconnect(connection);
            ASSERT_TRUE(importing);
            expectWindowLook(window, *importing, size, appearance);
            EXPECT_NEAR(importFill, 0.40, 0.03);
            EXPECT_TRUE(loading) << "no capture while loading";
            EXPECT_EQ(model.manifest()->id, "nove-parti");
        }
    }
}

// The window with the imported dataset, in states the command line cannot reach: the
// results of a search, two measuring points, and an isolation with a hidden structure.
// One window per appearance, captured at both sizes in each state.
TEST(WindowCaptures, theReadyWindowWithSearchMeasurementAndChipsAtBothSizes)
{
    const auto& dataset = ImportedDataset::shared();
    SharedGLContext context;
    for (const auto appearance : appearances) {
        SCOPED_TRACE(nameOf(appearance));
        AppearanceScope look(appearance);
        ModelSandbox sandbox;
        dataset.install(sandbox.dataHome);
        CapturedWindow window(sandbox, context, deadCatalog);
        auto& model = window.model();
        window.show(sizes[0]);
        ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
        ASSERT_NE(window.content().viewport(), nullptr);

        struct State {
            const char* name;
            std::function<void()> enter;
            std::function<void(const CapturedWindow&, const Capture&)> check;
            std::function<void()> leave;
        };
        const State states[] = {
            {"ricerca", [&] { model.setSearchText("fem"); }, expectSearchResults,
                [&] { model.setSearchText(""); }},
            {"misura", [&] { placeTwoMeasuringPoints(window); }, expectMeasuringPoints,
                [&] {
                    model.clearMeasurement();
                    model.setMeasureMode(false);
                }},
            {"isolamento", [&] { isolateAndHide(model, dataset.boneID); }, expectIsolationAndHiddenChips,
                [] {}},
        };
        for (const auto& state : states) {
            state.enter();
            if (HasFatalFailure())
                return;
            for (const QSize size : sizes) {
                window.resize(size);
                window.settle();
                const auto shot = take(window, state.name, size, appearance);
                expectWindowLook(window, shot, size, appearance);
                expectChipsBesideTools(window, shot);
                state.check(window, shot);
            }
            state.leave();
        }
    }
}
