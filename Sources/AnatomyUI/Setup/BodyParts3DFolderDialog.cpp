#include "AnatomyUI/Setup/BodyParts3DFolderDialog.h"

#include "AnatomyUI/Setup/FileOrFolderDialog.h"

#include <QFile>

namespace morvena {

BodyParts3DFolderDialog::BodyParts3DFolderDialog(QWidget* parent)
    : QFileDialog(parent)
{
    FileOrFolderDialog::prepare(*this);
    setWindowTitle(QStringLiteral("Scegli la cartella di BodyParts3D"));
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly, true);
}

std::optional<std::filesystem::path> BodyParts3DFolderDialog::choose(QWidget* parent)
{
    BodyParts3DFolderDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(dialog.selectedFiles().front()).toStdString());
}

} // namespace morvena
