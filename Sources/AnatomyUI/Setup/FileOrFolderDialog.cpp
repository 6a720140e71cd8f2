#include "AnatomyUI/Setup/FileOrFolderDialog.h"

#include "AnatomyUI/Internal/FileDialogs.h"

#include <QFileInfo>

namespace morvena {

FileOrFolderDialog::FileOrFolderDialog(QWidget* parent)
    : QFileDialog(parent)
{
    prepare(*this);
    setFileMode(QFileDialog::ExistingFile);
    setWindowTitle(QStringLiteral("Scegli un file o una cartella"));
}

void FileOrFolderDialog::prepare(QFileDialog& dialog)
{
    FileDialogs::prepare(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own catalogue has the other texts; its "Apri" is not the confirmation asked for.
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Scegli"));
}

void FileOrFolderDialog::accept()
{
    // QFileDialog would open a selected folder instead of taking it.
    const auto selected = selectedFiles();
    const QString path = selected.isEmpty() ? directory().absolutePath() : selected.front();
    const QFileInfo info(path);
    if (!info.exists())
        return;
    chosen_ = std::filesystem::path(info.absoluteFilePath().toStdString());
    QDialog::accept();
}

std::optional<std::filesystem::path> FileOrFolderDialog::choose(QWidget* parent)
{
    FileOrFolderDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

} // namespace morvena
