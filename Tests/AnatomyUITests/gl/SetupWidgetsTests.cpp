#include "AnatomyUI/Layout/FitSwitcher.h"
#include "AnatomyUI/Setup/FileOrFolderDialog.h"
#include "TemporaryFolder.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>

#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

namespace {

QWidget* fixedWidth(int width)
{
    auto* widget = new QLabel;
    widget->setFixedSize(width, 20);
    return widget;
}

} // namespace

TEST(FitSwitcher, showsTheFirstAlternativeThatFitsAndDecidesAgainOnResize)
{
    FitSwitcher switcher;
    auto* wide = fixedWidth(300);
    auto* narrow = fixedWidth(120);
    switcher.addAlternative(wide);
    switcher.addAlternative(narrow);
    switcher.show();

    struct Case {
        int width;
        QWidget* shown;
    };
    const Case cases[] = {{400, wide}, {300, wide}, {299, narrow}, {120, narrow}, {50, narrow}, {301, wide}};
    for (const auto& expected : cases) {
        switcher.resize(expected.width, 40);
        QApplication::processEvents();
        EXPECT_EQ(switcher.current(), expected.shown) << expected.width;
        EXPECT_TRUE(expected.shown->isVisible());
        EXPECT_FALSE((expected.shown == wide ? narrow : wide)->isVisible());
    }
    EXPECT_EQ(switcher.sizeHint().width(), 300);
    EXPECT_EQ(switcher.minimumSizeHint().width(), 120);
}

// "Scegli" is driven as the dialog's own accept, without its modal loop.
TEST(FileOrFolderDialog, takesASelectedFileASelectedFolderOrTheFolderShown)
{
    TemporaryFolder folder;
    writeFile(folder / "modello.glb", "glTF");
    std::filesystem::create_directories(folder / "cartella");

    for (const char* name : {"modello.glb", "cartella"}) {
        FileOrFolderDialog dialog;
        dialog.setDirectory(QString::fromStdString(folder.path().string()));
        dialog.selectFile(QString::fromUtf8(name));
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << name;
        EXPECT_EQ(dialog.chosen(), folder / name);
    }

    FileOrFolderDialog shownFolder;
    shownFolder.setDirectory(QString::fromStdString((folder / "cartella").string()));
    shownFolder.accept();
    EXPECT_EQ(shownFolder.chosen(), folder / "cartella");

    FileOrFolderDialog missing;
    missing.setDirectory(QString::fromStdString(folder.path().string()));
    missing.selectFile("assente.obj");
    missing.accept();
    EXPECT_FALSE(missing.chosen());
    EXPECT_NE(missing.result(), QDialog::Accepted);
    EXPECT_EQ(missing.labelText(QFileDialog::Accept), "Scegli");
}
