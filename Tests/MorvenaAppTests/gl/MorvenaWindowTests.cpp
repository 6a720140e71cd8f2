#include "MorvenaApp/MorvenaWindow.h"

#include "ViewTestSupport.h"
#include "ViewerFixture.h"

#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyUI/Model/Platform.h"
#include "AnatomyUI/Setup/BodyParts3DFolderDialog.h"
#include "AnatomyUI/Setup/FileOrFolderDialog.h"
#include "AnatomyUI/Window/AnatomyCommands.h"
#include "AnatomyUI/Window/ContentView.h"
#include "AnatomyUI/Window/ImageSaveDialog.h"
#include "MorvenaApp/QtCatalogue.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QImageReader>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace morvena;
using namespace morvena::test;

namespace {

using Command = AnatomyCommands::Command;

// The window over the test's own data folder and the process's settings file.
struct WindowFixture {
    WindowFixture() { window = std::make_unique<MorvenaWindow>(&context); }

    void showActive()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), hangDeadlineMS));
        // Other test programs share the X server and its focus: Qt is told which
        // window is active, which is what its shortcuts look at.
        QApplication::setActiveWindow(window.get());
        ASSERT_EQ(QApplication::activeWindow(), window.get());
    }

    // The window showing the three boxes, its viewport drawn.
    void showWithDataset()
    {
        sandbox.install(threeBoxes());
        showActive();
        ASSERT_TRUE(waitUntil([this] { return model().metalView() != nullptr; }));
    }

    AppModel& model() { return window->content().model(); }
    QAction* action(Command command) { return window->commands().action(command); }

    ModelSandbox sandbox;
    SharedGLContext context;
    std::unique_ptr<MorvenaWindow> window;
};

// What the save panel of one export showed and asked while a user typed a name into it
// and pressed Return, answering "Sì" to a question and "OK" to a warning (also of `act`);
// a panel still open after that is cancelled, in the folder it shows then.
struct PanelRun {
    QStringList labels; // confirm, cancel, folder and type, as the panel shows them
    QString question;
    QString warning;
    std::optional<QString> leftOpenIn;
};

PanelRun exportTyping(WindowFixture& fixture, const QString& name, const std::function<void()>& act = {})
{
    PanelRun run;
    bool returned = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* modal = QApplication::activeModalWidget();
        auto* field = modal ? modal->findChild<QLineEdit*>("fileNameEdit") : nullptr;
        auto* panel = qobject_cast<QFileDialog*>(modal);
        if (panel && field && run.labels.isEmpty()) {
            for (auto label :
                {QFileDialog::Accept, QFileDialog::Reject, QFileDialog::LookIn, QFileDialog::FileType})
                run.labels << panel->labelText(label);
            QApplication::setActiveWindow(panel); // a typed path selects no folder on its way
            field->setFocus();
            field->selectAll(); // typed over the proposed name
            QTest::keyClicks(field, name);
            // Pressed once this call is over: the question it may raise needs the timer again.
            QTimer::singleShot(0, field, [field, &returned] {
                QTest::keyClick(field, Qt::Key_Return);
                returned = true;
            });
        } else if (panel && returned) {
            run.leftOpenIn = panel->directory().absolutePath();
            panel->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            auto* yes = box->button(QMessageBox::Yes);
            (yes ? run.question : run.warning) = box->text();
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        }
    });
    user.start(20);
    act ? act() : fixture.action(Command::exportImage)->trigger();
    return run;
}

// Qt's file dialogs keep their list's header in QtProject.conf, here in a folder of
// the object's own for as long as it lives.
class DialogSettingsFolder {
public:
    DialogSettingsFolder() { setSettingsPath(QString::fromStdString(folder_.path().string())); }
    ~DialogSettingsFolder()
    {
        setSettingsPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }
    DialogSettingsFolder(const DialogSettingsFolder&) = delete;
    DialogSettingsFolder& operator=(const DialogSettingsFolder&) = delete;

private:
    static void setSettingsPath(const QString& path)
    {
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, path);
    }

    TemporaryFolder folder_;
};

// A shown file dialog's detailed list: the header fits the viewport, no visible column
// is narrower than its title, the names have at least 40 % of the list, and the dialog
// at most 90 % of the screen's width.
void expectWholeHeader(QFileDialog& dialog)
{
    auto& list = *dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto& header = *list.header();
    const int margins = 2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    EXPECT_LE(header.length(), list.viewport()->width());
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), 0);
    for (int column = 0; column < header.count(); ++column) {
        const auto title = list.model()->headerData(column, Qt::Horizontal).toString();
        const int titleWidth = header.fontMetrics().horizontalAdvance(title) + margins;
        if (!header.isSectionHidden(column)) {
            EXPECT_GE(header.sectionSize(column), titleWidth) << title.toStdString();
        }
    }
    // Of the list less the room its scroll bar takes when the folder has entries enough.
    const int room = list.width() - 2 * list.frameWidth()
        - list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list.verticalScrollBar());
    EXPECT_GE(header.sectionSize(0), room * 40 / 100);
    EXPECT_LE(dialog.frameGeometry().width(), dialog.screen()->availableGeometry().width() * 90 / 100);
}

int diagnosticsTimers()
{
    return static_cast<int>(QCoreApplication::instance()
                                ->findChildren<QTimer*>("diagnostics", Qt::FindDirectChildrenOnly)
                                .size());
}

} // namespace

TEST(MorvenaWindowHooks, showingAgainNeitherBootstrapsNorStartsAnotherTimer)
{
    setenv("ANATOMY_DIAG", "1", 1);
    const int timersBefore = diagnosticsTimers();
    WindowFixture fixture;
    int phases = 0;
    QObject::connect(&fixture.model(), &AppModel::changed,
        [&phases](AppModel::Field field) { phases += field == AppModel::Field::phase; });
    fixture.showActive();
    fixture.window->showMinimized();
    QTest::qWait(100);
    fixture.window->showNormal();
    fixture.window->hide();
    fixture.window->show();
    QTest::qWait(100);
    unsetenv("ANATOMY_DIAG");
    EXPECT_EQ(phases, 1); // one bootstrap: no dataset
    EXPECT_EQ(diagnosticsTimers(), timersBefore + 1);
    EXPECT_EQ(fixture.window->windowTitle(), "Morvena — Nessun dataset installato");
}

TEST(MorvenaWindowHooks, closingRemembersTheViewOnce)
{
    WindowFixture fixture;
    ASSERT_NO_FATAL_FAILURE(fixture.showWithDataset());
    fixture.model().setShowLabels(false);
    fixture.action(Command::quit)->trigger(); // "Esci" closes the window
    EXPECT_FALSE(fixture.window->isVisible());
    auto settings = Preferences(Preferences::settingsFile(Preferences::Program::viewer));
    EXPECT_TRUE(settings.lastViewState());
    EXPECT_FALSE(settings.showLabels());
    // Closing again stores nothing more.
    Preferences(Preferences::settingsFile(Preferences::Program::viewer)).setShowLabels(true);
    fixture.window->close();
    EXPECT_TRUE(Preferences(Preferences::settingsFile(Preferences::Program::viewer)).showLabels());
}

TEST(AnatomyCommandsTable, oneShortcutPerItemAsTheMenusShowThem)
{
    const std::vector<std::pair<Command, QString>> expected {
        {Command::exportImage, "Ctrl+Shift+S"},
        {Command::quit, "Ctrl+Q"},
        {Command::anterior, "Ctrl+1"},
        {Command::inferior, "Ctrl+6"},
        {Command::frameAll, "Ctrl+0"},
        {Command::focusSelection, "Ctrl+Alt+F"},
        {Command::resetView, "Ctrl+Shift+R"},
        {Command::sidebar, "Meta+Ctrl+S"},
        {Command::isolate, "Ctrl+I"},
        {Command::endIsolation, "Ctrl+Shift+I"},
        {Command::hide, "Ctrl+Alt+H"},
        {Command::deselect, "Esc"},
        {Command::measure, "Ctrl+Shift+M"},
        {Command::statistics, ""},
        {Command::showHidden, ""},
        {Command::showAllSystems, ""},
    };
    for (const auto& [command, keys] : expected)
        EXPECT_EQ(AnatomyCommands::shortcut(command).toString(QKeySequence::PortableText), keys);
    std::set<QString> seen;
    for (const auto& entry : AnatomyCommands::shortcuts())
        EXPECT_TRUE(seen.insert(entry.keys.toString()).second) << entry.keys.toString().toStdString();

    WindowFixture fixture;
    for (const auto& entry : AnatomyCommands::shortcuts())
        EXPECT_EQ(fixture.action(entry.command)->shortcut(), entry.keys);
    std::vector<QString> menus;
    for (auto* menu : fixture.window->menuBar()->actions())
        menus.push_back(menu->text());
    EXPECT_EQ(menus, (std::vector<QString> {"File", "Vista", "Anatomia"}));
}

TEST(AnatomyCommandsModel, withoutAModelOnlyExportIsDisabledAndNothingHappens)
{
    WindowFixture fixture;
    auto& commands = fixture.window->commands();
    commands.setModel(nullptr);
    EXPECT_FALSE(fixture.action(Command::exportImage)->isEnabled());
    for (auto command : {Command::anterior, Command::frameAll, Command::isolate, Command::deselect,
             Command::statistics, Command::measure}) {
        EXPECT_TRUE(fixture.action(command)->isEnabled());
        fixture.action(command)->trigger();
    }
    EXPECT_FALSE(fixture.action(Command::statistics)->isChecked());
    EXPECT_FALSE(fixture.action(Command::measure)->isChecked());
    commands.setModel(fixture.window->content().modelPointer());
    EXPECT_TRUE(fixture.action(Command::exportImage)->isEnabled());
}

TEST(AnatomyCommandsModel, togglesStoreTheNegationAndKeepTheMeasuringPoints)
{
    WindowFixture fixture;
    ASSERT_NO_FATAL_FAILURE(fixture.showWithDataset());
    auto& model = fixture.model();
    fixture.action(Command::statistics)->trigger();
    EXPECT_TRUE(model.showStatistics());
    EXPECT_TRUE(fixture.action(Command::statistics)->isChecked());

    fixture.action(Command::measure)->trigger();
    ASSERT_TRUE(model.measureMode());
    auto size = model.metalView()->drawableSize();
    model.handleSelect({size.x / 2, size.y / 2}, PointerModifier::none);
    ASSERT_EQ(model.measurePoints().size(), 1u);
    fixture.action(Command::measure)->trigger();
    fixture.action(Command::measure)->trigger();
    EXPECT_TRUE(model.measureMode());
    EXPECT_EQ(model.measurePoints().size(), 1u);
    // The mark follows the model when something else changes it.
    model.setMeasureMode(false);
    EXPECT_FALSE(fixture.action(Command::measure)->isChecked());
}

TEST(AnatomyCommandsKeys, escapeDeselectsAndControlDigitsTurnTheCamera)
{
    WindowFixture fixture;
    ASSERT_NO_FATAL_FAILURE(fixture.showWithDataset());
    auto& model = fixture.model();
    model.selectConcept("FMA1", true);
    ASSERT_FALSE(model.selection().empty());
    QTest::keyClick(fixture.window.get(), Qt::Key_Escape);
    EXPECT_TRUE(model.selection().empty());

    QTest::keyClick(fixture.window.get(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&model] { return model.orientationLabel() == "Posteriore"; }));
    QTest::keyClick(fixture.window.get(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&model] { return model.orientationLabel() == "Anteriore"; }));
}

// The export's real save panel, in Italian from Qt's own catalogue as the program loads
// it: every typed name is saved as a PNG under a name ending in ".png", and replacing
// a file is asked about under the name that will be written; failures are told in a box.
TEST(MorvenaWindowExport, typedNamesAreSavedAsPNGFilesEndingInPNG)
{
    ASSERT_TRUE(QtCatalogue::installItalian(*QCoreApplication::instance()));
    WindowFixture fixture;
    ASSERT_NO_FATAL_FAILURE(fixture.showWithDataset());
    struct Case {
        const char* typed;
        const char* saved;
        const char* question;
    };
    const Case cases[] = {
        {"prova", "prova.png", ""},
        {"prova.jpg", "prova.jpg.png", ""},
        {"prova.PNG", "prova.PNG", ""},
        {"prova", "prova.png", "prova.png esiste già.\nVuoi sostituirlo?"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.typed);
        const auto run = exportTyping(fixture, QString::fromUtf8(row.typed));
        EXPECT_EQ(run.labels, QStringList({"&Salva", "Annulla", "Cerca in:", "File di tipo:"}));
        EXPECT_EQ(run.question, QString::fromUtf8(row.question));
        const auto file = Platform::exportDirectory() / row.saved;
        EXPECT_EQ(fixture.model().exportedImageURL(), file);
        EXPECT_EQ(QImageReader(QString::fromStdString(file.string())).format(), "png");
    }
    const auto failed = exportTyping(fixture, "/proc/prova");
    EXPECT_TRUE(
        failed.warning.startsWith("Scrittura non riuscita: ") && failed.warning.contains("/proc/prova.png"));
    EXPECT_FALSE(std::filesystem::exists("/proc/prova.png"));
    const auto database = threeBoxes().folder(fixture.sandbox.dataHome) / "anatomy.sqlite";
    std::filesystem::copy_file(database, database.string() + ".nuovo"); // the new import's
    std::filesystem::rename(database.string() + ".nuovo", database);
    fixture.model().selectConcept("FMA1", true);
    auto& editor = *fixture.window->findChild<QPlainTextEdit*>("noteEditor");
    QTest::keyClicks(&editor, "da non perdere");
    EXPECT_EQ(exportTyping(fixture, {}, [&fixture] { fixture.model().saveNote(); }).warning,
        "Impossibile salvare l'annotazione.");
    EXPECT_EQ(editor.toPlainText(), "da non perdere");
}

// A typed path into a folder that does not exist keeps the save panel open with a
// warning naming that folder, and writes nothing; one that names an existing folder
// enters it, as Qt's own dialog does.
TEST(MorvenaWindowExport, aTypedFolderThatDoesNotExistKeepsThePanelOpen)
{
    ASSERT_TRUE(QtCatalogue::installItalian(*QCoreApplication::instance()));
    WindowFixture fixture;
    ASSERT_NO_FATAL_FAILURE(fixture.showWithDataset());
    const auto folder = Platform::exportDirectory();
    std::filesystem::create_directories(folder / "sotto");
    const QString exports = QString::fromStdString(folder.string());
    struct Case {
        const char* typed;
        const char* warnedFolder; // none: entered, no warning
        const char* openIn;
    };
    const Case cases[] = {
        {"inesistente/", "inesistente", ""},
        {"inesistente/foto.png", "inesistente", ""},
        {"sotto/inesistente/foto", "sotto/inesistente", ""},
        {"sotto", nullptr, "/sotto"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.typed);
        const auto run = exportTyping(fixture, QString::fromUtf8(row.typed));
        EXPECT_EQ(run.warning,
            row.warnedFolder ? "La cartella «" + exports + "/" + row.warnedFolder + "» non esiste."
                             : QString());
        EXPECT_EQ(run.leftOpenIn, exports + row.openIn);
        EXPECT_FALSE(fixture.model().exportedImageURL());
        EXPECT_FALSE(std::filesystem::exists(folder / "inesistente"));
    }
}

// A name typed with "~/" is in the home folder, as Qt's own dialog reads it: one in a
// folder missing there is refused naming that folder, and one beside it saved there.
TEST(MorvenaWindowExport, aNameTypedWithTildeIsInTheHomeFolder)
{
    ASSERT_TRUE(QtCatalogue::installItalian(*QCoreApplication::instance()));
    WindowFixture fixture;
    ASSERT_NO_FATAL_FAILURE(fixture.showWithDataset());
    const QString home = QDir::homePath();
    EXPECT_EQ(exportTyping(fixture, "~/inesistente/foto").warning,
        "La cartella «" + home + "/inesistente» non esiste.");
    EXPECT_FALSE(fixture.model().exportedImageURL());
    EXPECT_EQ(exportTyping(fixture, "~/foto").warning, QString());
    EXPECT_EQ(fixture.model().exportedImageURL(), std::filesystem::path((home + "/foto.png").toStdString()));
}

// The export's and the imports' dialogs over a subfolder and a PNG: the types in
// Italian, also of the subfolder that Qt typed in the dialog's constructor as the last
// folder visited, before a reading of the folder could correct it; and the whole header
// shown, no column narrower than its title in Qt's Italian catalogue.
TEST(MorvenaWindowFileDialogs, typesInItalianAndColumnsAsWideAsTheirTitles)
{
    ASSERT_TRUE(QtCatalogue::installItalian(*QCoreApplication::instance()));
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "sotto");
    writeFile(folder / "figura.png", "png");
    const QString path = QString::fromStdString(folder.path().string());
    QFileDialog(nullptr, {}, path + "/sotto").setDirectory(path + "/sotto"); // the last visited
    ImageSaveDialog save(folder.path(), "nuova.png");
    FileOrFolderDialog open;
    for (QFileDialog* dialog : {static_cast<QFileDialog*>(&save), static_cast<QFileDialog*>(&open)}) {
        dialog->setDirectory(path);
        auto& files = *dialog->findChild<QFileSystemModel*>();
        const auto type
            = [&](const char* name) { return files.index(path + "/" + name).siblingAtColumn(2).data(); };
        EXPECT_EQ(type("sotto"), "Cartella") << "as gathered first";
        dialog->show();
        EXPECT_TRUE(
            waitUntil([&] { return type("sotto") == "Cartella" && type("figura.png") == "File PNG"; }));
        expectWholeHeader(*dialog);
    }
}

// Each of the three file dialogs opened three times over a settings folder of its own:
// the second opening finds the header that Qt saved when the first closed, with the
// columns as the user left them, the third what the second saved. At every opening the
// list shows its whole header without scrolling sideways, among enough entries to
// scroll down, in a dialog as wide as Qt makes it.
TEST(MorvenaWindowFileDialogs, theListHoldsItsWholeHeaderAtEveryOpening)
{
    ASSERT_TRUE(QtCatalogue::installItalian(*QCoreApplication::instance()));
    applyAppearance(Appearance::light); // the program's fonts
    TemporaryFolder folder;
    for (int i = 0; i < 60; ++i)
        std::filesystem::create_directory(folder / ("cartella-" + std::to_string(i)));
    writeFile(folder / "figura.png", "png");
    const QString path = QString::fromStdString(folder.path().string());

    struct Dialog {
        const char* name;
        std::function<std::unique_ptr<QFileDialog>()> make;
    };
    const Dialog dialogs[] = {
        {"esporta", [&] { return std::make_unique<ImageSaveDialog>(folder.path(), "nuova.png"); }},
        {"file o cartella", [] { return std::make_unique<FileOrFolderDialog>(); }},
        {"cartella di BodyParts3D", [] { return std::make_unique<BodyParts3DFolderDialog>(); }},
    };
    // The widths the user dragged the name and the detail columns to before closing
    // the first opening; 0 leaves them as shown.
    struct Columns {
        const char* left;
        int name;
        int details;
    };
    const Columns rows[] = {
        {"come mostrate", 0, 0},
        {"dettagli stretti", 0, 12},
        {"nome di 20 px", 20, 0},
        {"nome largo", 700, 0},
        {"nome di 1500 px", 1500, 0},
        {"nome oltre lo schermo", 5000, 0},
    };
    for (const auto& dialog : dialogs) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(dialog.name) + ", " + row.left);
            DialogSettingsFolder settings;
            int firstWidth = 0;
            for (int opening = 1; opening <= 3; ++opening) {
                SCOPED_TRACE(opening);
                auto shown = dialog.make();
                shown->setDirectory(path);
                shown->show();
                ASSERT_TRUE(QTest::qWaitForWindowExposed(shown.get(), hangDeadlineMS));
                auto& list = *shown->findChild<QTreeView*>(QStringLiteral("treeView"));
                ASSERT_TRUE(waitUntil([&list] { return list.verticalScrollBar()->isVisible(); }));
                expectWholeHeader(*shown);
                firstWidth = opening == 1 ? shown->width() : firstWidth;
                EXPECT_EQ(shown->width(), firstWidth);
                auto& header = *list.header();
                if (row.name > 0 && opening == 1)
                    header.resizeSection(0, row.name);
                for (int column = 1; row.details > 0 && opening == 1 && column < header.count(); ++column)
                    header.resizeSection(column, row.details);
            }
        }
    }
}
