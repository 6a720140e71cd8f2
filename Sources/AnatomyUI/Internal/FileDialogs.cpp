#include "AnatomyUI/Internal/FileDialogs.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

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

// Size, type and date of change: Qt sizes them for English samples, which cut
// their Italian titles.
constexpr int firstDetailColumn = 1;
constexpr int lastDetailColumn = 3;

void widenDetailColumns(QHeaderView& header)
{
    const int last = std::min(lastDetailColumn, header.count() - 1);
    for (int column = firstDetailColumn; column <= last; ++column)
        header.resizeSection(column, std::max(header.sectionSize(column), header.sectionSizeHint(column)));
}

// The width the list's viewport gives its header, keeping room for the vertical scroll
// bar, which appears only once the folder's entries are read.
int roomForHeader(const QTreeView& list)
{
    const auto* scrollBar = list.verticalScrollBar();
    return list.width() - 2 * list.frameWidth()
        - list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBar);
}

// Takes `excess` pixels from the columns, the one with most room above its title first,
// none below its title.
void shorten(QHeaderView& header, int excess)
{
    while (excess > 0) {
        int roomiest = -1;
        int spare = 0;
        for (int column = 0; column < header.count(); ++column) {
            const int above = header.sectionSize(column) - header.sectionSizeHint(column);
            if (!header.isSectionHidden(column) && above > spare) {
                roomiest = column;
                spare = above;
            }
        }
        if (roomiest < 0)
            return;
        const int taken = std::min(spare, excess);
        header.resizeSection(roomiest, header.sectionSize(roomiest) - taken);
        excess -= taken;
    }
}

// Every file dialog of Qt restores the list's header that the last one closed saved
// (QtProject.conf), with whatever widths the user left, before any of its columns
// can be measured; so the dialog is fitted to the header as restored when it is shown,
// once its layout has placed the list: as wide as the whole header needs, within the
// screen, the columns giving up what the screen cannot hold.
void showWholeHeader(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!list)
        return;
    auto& header = *list->header();
    widenDetailColumns(header);
    const int missing = header.length() - roomForHeader(*list);
    if (missing <= 0)
        return;
    const auto* screen = dialog.screen();
    const int screenRoom = screen ? screen->availableGeometry().width() - dialog.width() : missing;
    const int grown = std::clamp(screenRoom, 0, missing);
    dialog.resize(dialog.width() + grown, dialog.height());
    shorten(header, header.length() - roomForHeader(*list));
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
    new WholeHeaderOnShow(dialog); // owned by the dialog
}

} // namespace morvena::FileDialogs
