#include "AnatomyUI/Internal/FileDialogs.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
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

void widenDetailColumns(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!list)
        return;
    auto* header = list->header();
    const int before = header->length();
    const int last = std::min(lastDetailColumn, header->count() - 1);
    for (int column = firstDetailColumn; column <= last; ++column)
        header->resizeSection(column, std::max(header->sectionSize(column), header->sectionSizeHint(column)));
    // Qt sizes the dialog for its own column widths; it grows by what they gained.
    dialog.resize(dialog.width() + header->length() - before, dialog.height());
}

} // namespace

void prepare(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setIconProvider(new ItalianFileTypes(&dialog));
    widenDetailColumns(dialog);
}

} // namespace morvena::FileDialogs
