#include "AnatomyUI/Window/ImageSaveDialog.h"

#include "AnatomyUI/Internal/FileDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

namespace morvena {

namespace {

const QString pngExtension = QStringLiteral(".png");

} // namespace

ImageSaveDialog::ImageSaveDialog(
    const std::filesystem::path& folder, const std::string& fileName, QWidget* parent)
    : QFileDialog(parent, QStringLiteral("Esporta immagine"))
{
    FileDialogs::prepare(*this);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QStringLiteral("Immagine PNG (*.png)"));
    setDirectory(QFile::decodeName(QByteArray::fromStdString(folder.string())));
    selectFile(QString::fromStdString(fileName));
}

QString ImageSaveDialog::withPNGExtension(const QString& name)
{
    return name.endsWith(pngExtension, Qt::CaseInsensitive) ? name : name + pngExtension;
}

void ImageSaveDialog::accept()
{
    // The typed name is in the dialog's own name field, which is what it reads when
    // it checks the name and asks about replacing a file.
    const QStringList typed = selectedFiles();
    auto* nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (nameField && !typed.isEmpty() && !QFileInfo(typed.front()).isDir())
        nameField->setText(withPNGExtension(nameField->text()));
    QFileDialog::accept();
}

std::optional<std::filesystem::path> ImageSaveDialog::ask(
    const std::filesystem::path& folder, const std::string& fileName, QWidget* parent)
{
    ImageSaveDialog dialog(folder, fileName, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // Without the name field (another Qt) the extension is still added here.
    const QString chosen = withPNGExtension(dialog.selectedFiles().front());
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

} // namespace morvena
