#include "AnatomyUI/Internal/FileDialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <vector>

namespace morvena::FileDialogs {

namespace {

// Qt's file types follow the system's language ("PNG image" under C) and its Italian
// catalogue leaves "Folder" as it is. Icons stay Qt's. The dialog owns the provider
// as a child, so the provider outlives the model that asks it from its own thread.
class ItalianFileTypes : public QObject, public QFileIconProvider {
public:
    explicit ItalianFileTypes(QObject* parent)
        : QObject(parent)
    {
    }

    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Cartella");
        const QString extension = info.suffix();
        return extension.isEmpty() ? QStringLiteral("File") : QStringLiteral("File ") + extension.toUpper();
    }
};

// The file names' column and, after it, size, type and date of change: Qt sizes the
// details for English samples, which cut their Italian titles, and restores whatever
// width the user last left the names at, however narrow or wide.
constexpr int nameColumn = 0;
constexpr int lastDetailColumn = 3;
// The part of the list the names keep at least, in percent.
constexpr int namePercent = 40;
// The part of the screen's width a dialog grows to at most, in percent.
constexpr int screenPercent = 90;

// The width the list's viewport gives its header, keeping room for the vertical scroll
// bar, which appears only once the folder's entries are read.
int roomForHeader(const QTreeView& list)
{
    const auto* scrollBar = list.verticalScrollBar();
    return list.width() - 2 * list.frameWidth()
        - list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBar);
}

// The narrowest each column may be: its title, and for the names also a part of the
// list (`room`); none for a hidden one.
std::vector<int> narrowestColumns(const QHeaderView& header, int room)
{
    std::vector<int> narrowest(static_cast<std::size_t>(header.count()), 0);
    for (int column = 0; column < header.count(); ++column) {
        if (header.isSectionHidden(column))
            continue;
        const int title = header.sectionSizeHint(column);
        narrowest[static_cast<std::size_t>(column)]
            = column == nameColumn ? std::max(title, room * namePercent / 100) : title;
    }
    return narrowest;
}

void widenToNarrowest(QHeaderView& header, const std::vector<int>& narrowest)
{
    const int last = std::min(lastDetailColumn, header.count() - 1);
    for (int column = nameColumn; column <= last; ++column) {
        const int least = narrowest[static_cast<std::size_t>(column)];
        if (header.sectionSize(column) < least)
            header.resizeSection(column, least);
    }
}

// Takes up to `excess` pixels from one column, none below its narrowest; what is left.
int shortenColumn(QHeaderView& header, int column, int narrowest, int excess)
{
    const int taken = std::clamp(header.sectionSize(column) - narrowest, 0, excess);
    if (taken > 0)
        header.resizeSection(column, header.sectionSize(column) - taken);
    return excess - taken;
}

// Takes `excess` pixels from the columns, the names first, then the one with most room
// above its narrowest; none below its narrowest.
void shorten(QHeaderView& header, int excess, const std::vector<int>& narrowest)
{
    if (excess <= 0)
        return;
    if (header.count() > nameColumn)
        excess = shortenColumn(header, nameColumn, narrowest[nameColumn], excess);
    while (excess > 0) {
        int roomiest = -1;
        int spare = 0;
        for (int column = 0; column < header.count(); ++column) {
            const int above = header.sectionSize(column) - narrowest[static_cast<std::size_t>(column)];
            if (!header.isSectionHidden(column) && above > spare) {
                roomiest = column;
                spare = above;
            }
        }
        if (roomiest < 0)
            return;
        excess = shortenColumn(header, roomiest, narrowest[static_cast<std::size_t>(roomiest)], excess);
    }
}

// Every file dialog of Qt restores the list's header that the last one closed saved
// (QtProject.conf), with whatever widths the user left, before any of its columns
// can be measured; so the header is fitted when the dialog is shown, once its layout
// has placed the list at Qt's size: each column at least as wide as its narrowest, the
// names given up first where the list is short. The dialog grows only by what the
// columns at their narrowest still miss, and never past most of the screen.
void showWholeHeader(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!list)
        return;
    auto& header = *list->header();
    const int room = roomForHeader(*list);
    const auto narrowest = narrowestColumns(header, room);
    widenToNarrowest(header, narrowest);
    shorten(header, header.length() - room, narrowest);
    const int missing = header.length() - room;
    if (missing <= 0)
        return;
    const auto* screen = dialog.screen();
    const int widest = screen ? screen->availableGeometry().width() * screenPercent / 100 : dialog.width();
    dialog.resize(dialog.width() + std::clamp(widest - dialog.width(), 0, missing), dialog.height());
}

class WholeHeaderOnShow : public QObject {
public:
    explicit WholeHeaderOnShow(QFileDialog& dialog)
        : QObject(&dialog)
        , dialog_(dialog)
    {
        dialog.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Before the dialog's own handling, which centres it over its parent; a window
        // shown again by the desktop (after being minimised) keeps the user's size.
        if (watched == &dialog_ && event->type() == QEvent::Show && !event->spontaneous())
            showWholeHeader(dialog_);
        return false;
    }

private:
    QFileDialog& dialog_;
};

} // namespace

void prepare(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setIconProvider(new ItalianFileTypes(&dialog));
    // Qt's dialog typed the folders on the way to the last visited one in its
    // constructor, with its own provider; they show in the list of their parent
    // until Qt reads that folder again. The model types anew what it holds on a
    // change of language, with the provider it has now.
    if (auto* files = dialog.findChild<QFileSystemModel*>()) {
        QEvent languageChange(QEvent::LanguageChange);
        QCoreApplication::sendEvent(files, &languageChange);
    }
    new WholeHeaderOnShow(dialog); // owned by the dialog
}

} // namespace morvena::FileDialogs
